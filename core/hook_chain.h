// The module's places in the host's chains: the slots of the host tables its
// hooks go into, where a hook of its own stands in a chain, and the count of
// its window procedures still running (a stop inside one of them must leave
// the library mapped).
#pragma once
#include <windows.h>
#include <cstdint>
#include "core/host_interface.h"

template <typename Routine>
uintptr_t Address(Routine routine)
{
    return reinterpret_cast<uintptr_t>(routine);
}

// The slot of a host table, or null when the host did not offer the table.
inline uintptr_t* OfferedSlot(uint32_t table_id, uint32_t byte_offset)
{
    unsigned char* table = HostTable(table_id);
    return table ? HostSlot(table, byte_offset) : nullptr;
}

// Where one of the module's hooks stands, from what its slot (or a window's
// procedure) holds now: on top; further down the chain, under another
// module's hook that calls on to ours; or out of the chain, the slot holding
// the very routine ours calls on (put back by someone) or the hook never
// installed. Only a hook that is out goes in (again): saving another
// module's hook as the routine to call on would send every call round the two
// modules without end.
enum HookPlace { HookOnTop, HookUnderAnother, HookOut };
inline HookPlace PlaceOfHook(uintptr_t current, uintptr_t hook, int32_t installed, uintptr_t previous)
{
    if (current == hook)
        return HookOnTop;
    return installed && current != previous ? HookUnderAnother : HookOut;
}

// Writes the host's routine back into a slot that still holds the module's;
// true when it did. A slot that some other module has taken over since is
// left to that module: its hook calls on to ours.
template <typename Routine>
bool RestoreSlot(uint32_t table_id, uint32_t byte_offset, uintptr_t hook, Routine previous)
{
    uintptr_t* slot = OfferedSlot(table_id, byte_offset);
    if (slot == nullptr || *slot != hook)
        return false;
    *slot = Address(previous);
    return true;
}

// Runs the handler of one of the module's window procedures, counted as
// running for as long as it does: a modal loop inside it (a chooser, a menu,
// a move) or the host's procedure it calls on may run the host's stop and
// unload, which must then leave the library mapped, as this code goes on
// when they have returned.
using WindowHandler = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
LRESULT CountedWindowCall(WindowHandler handler, HWND window, UINT message, WPARAM wparam, LPARAM lparam);
