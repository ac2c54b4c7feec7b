// What the module presents to the simulator and what it relies on from it: the
// two exported records, the host tables and the routine types exchanged.
//
// Every word the host exchanges that holds a routine or a pointer is
// pointer-sized; a slot that the host documents at byte offset N is slot N / 4
// of such words. On the 32-bit product this is exactly the host's layout; the
// 64-bit test build keeps the same slot numbers. Plain data (option bytes, the
// display value, the text block) stays at its byte offset.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>
#include "core/bytes_and_text.h"

typedef int32_t(WINAPI* TextOutputRoutine)(const char* text, int32_t type, int32_t time, int32_t append);
typedef int32_t(WINAPI* PanelLoadRoutine)(uintptr_t w1, uintptr_t w2, uintptr_t w3, uintptr_t w4,
                                          const char* path, uintptr_t w6);
typedef void(WINAPI* TickRoutine)(uintptr_t a, uintptr_t b);
typedef uintptr_t(WINAPI* TickRegistration)(uintptr_t id, TickRoutine callback);
typedef void(WINAPI* ModuleRoutine)();
typedef int32_t(WINAPI* ShowMessageRoutine)(const char* text, int32_t time);

// Exported as "Linkage": eight words the host reads to know the module.
struct ModuleLinkage {
    uintptr_t module_id;        // 0x507F
    ModuleRoutine start;        // StartModule
    ModuleRoutine stop;         // StopModule
    uintptr_t word3;            // 0
    uintptr_t word4;            // 1
    uintptr_t edition;          // 0x800, cleared at load unless the host is FS2002
    uintptr_t word6;            // 0
    ShowMessageRoutine show;    // ShowMessage, the service entry for other modules
};

// Exported as "ImportTable": {identifier, table} pairs the host fills before
// StartModule, ended by {0, 0}.
struct ImportEntry {
    uintptr_t id;
    unsigned char* table;
};

enum : uint32_t {
    TablePanel = 0x0001,        // slot 0xF0: panel-load routine
    TableHostData = 0x0002,     // scroll-option byte, host display value
    TableTick = 0x0004,         // slots 0x18 / 0x1C: register / unregister a periodic callback
    TableTextAlt = 0x000A,      // slot 0xF0: text output when 0x0016 is not offered
    TableTextOutput = 0x0016,   // slot 0x18: text output
    TableMirror = 0x505A,       // another module's record; slot 0x1C: its text block
};

enum : uint32_t {
    PanelLoadSlot = 0xF0,
    TextOutputSlot = 0x18,
    TextAltSlot = 0xF0,
    TickRegisterSlot = 0x18,
    TickUnregisterSlot = 0x1C,
    MirrorBlockSlot = 0x1C,
    MirrorTextOffset = 0x380,
    ScrollOptionFS98 = 0x1254,
    ScrollOptionLater = 0x1274,
    HostDisplayValue = 0x11D4,
};

constexpr int ImportEntries = 10;

extern "C" ModuleLinkage Linkage;
extern "C" ImportEntry ImportTable[ImportEntries + 1];

// The table the host offered under `id`, or null when it offered none.
unsigned char* HostTable(uint32_t id);

// The pointer-sized slot documented at byte offset `byte_offset` of a table.
inline uintptr_t* HostSlot(unsigned char* table, uint32_t byte_offset)
{
    return reinterpret_cast<uintptr_t*>(table) + byte_offset / 4;
}

// Plain 32-bit data at its byte offset.
inline int32_t HostWord(const unsigned char* table, uint32_t byte_offset)
{
    return static_cast<int32_t>(ReadWord32(table + byte_offset));
}
