#define PSAPI_VERSION 2
#include "support/process_counters.h"
#include <psapi.h>
#include <cstdint>

size_t GdiCountFromGuiResources()
{
    return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
}

namespace {

// The address of a pointer-sized or 64-bit word, if `bytes` of committed,
// readable memory lie there.
bool Readable(uintptr_t address, size_t bytes)
{
    MEMORY_BASIC_INFORMATION region = {};
    if (address == 0 || !VirtualQuery(reinterpret_cast<const void*>(address), &region, sizeof region))
        return false;
    const DWORD unreadable = PAGE_NOACCESS | PAGE_GUARD;
    auto end = reinterpret_cast<uintptr_t>(region.BaseAddress) + region.RegionSize;
    return region.State == MEM_COMMIT && !(region.Protect & unreadable) && address + bytes <= end;
}

uint64_t Word64At(uintptr_t address)
{
    return Readable(address, 8) ? *reinterpret_cast<const uint64_t*>(address) : 0;
}

uint32_t Word32At(uintptr_t address)
{
    return Readable(address, 4) ? *reinterpret_cast<const uint32_t*>(address) : 0;
}

// Wine's GDI handle table, the PEB's GdiSharedHandleTable. A 64-bit process
// finds it in its PEB (TEB+0x60, then PEB+0xF8). A 32-bit process of a WoW64
// prefix has a 64-bit TEB and PEB beside its own, and Wine keeps the table
// only there: the 64-bit TEB's address is at TEB+0xF70 (GdiBatchCount), its
// PEB at +0x60, the table at PEB+0xF8. A 32-bit Wine without WoW64 (0 at
// TEB+0xF70) keeps it in the 32-bit PEB (TEB+0x30, then PEB+0x94).
uintptr_t GdiTableAddress()
{
    auto teb = reinterpret_cast<uintptr_t>(NtCurrentTeb());
    uint64_t table = 0;
    if (sizeof(void*) == 8) {
        table = Word64At(static_cast<uintptr_t>(Word64At(teb + 0x60)) + 0xF8);
    } else if (uint32_t teb64 = Word32At(teb + 0xF70)) {
        uint64_t peb64 = Word64At(teb64 + 0x60);
        if (peb64 >> 32 == 0)
            table = Word64At(static_cast<uintptr_t>(peb64) + 0xF8);
    } else if (uint32_t peb = Word32At(teb + 0x30)) {
        table = Word32At(peb + 0x94);
    }
    // Beyond this process's pointers (a 32-bit process): not a table it can read.
    return table == static_cast<uintptr_t>(table) ? static_cast<uintptr_t>(table) : 0;
}

}  // namespace

size_t GdiCountFromTable()
{
    // Wine's entries are 24 bytes in both bitnesses (64-bit object and user
    // pointers); the type word at byte 14 is non-zero while the object lives.
    const size_t entry_size = 24;
    const size_t type_offset = 14;
    uintptr_t table = GdiTableAddress();
    MEMORY_BASIC_INFORMATION region = {};
    if (!Readable(table, entry_size) || !VirtualQuery(reinterpret_cast<const void*>(table), &region, sizeof region))
        return 0;
    size_t entries = (reinterpret_cast<uintptr_t>(region.BaseAddress) + region.RegionSize - table) / entry_size;
    size_t live = 0;
    for (size_t i = 0; i < entries; ++i)
        if (*reinterpret_cast<const uint16_t*>(table + i * entry_size + type_offset) != 0)
            ++live;
    return live;
}

bool FollowsTenBrushes(size_t (*count)())
{
    size_t before = count();
    HBRUSH brushes[10];
    for (HBRUSH& brush : brushes)
        brush = CreateSolidBrush(RGB(1, 2, 3));
    size_t during = count();
    for (HBRUSH brush : brushes)
        DeleteObject(brush);
    return during == before + 10 && count() == before;
}

size_t (*FaithfulGdiCount())()
{
    if (FollowsTenBrushes(GdiCountFromGuiResources))
        return GdiCountFromGuiResources;
    if (FollowsTenBrushes(GdiCountFromTable))
        return GdiCountFromTable;
    return nullptr;
}

namespace {

bool OwnedByThisProcess(HWND window)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process == GetCurrentProcessId();
}

BOOL CALLBACK CountOne(HWND, LPARAM count)
{
    ++*reinterpret_cast<size_t*>(count);
    return TRUE;
}

BOOL CALLBACK CountTree(HWND window, LPARAM count)
{
    if (!OwnedByThisProcess(window))
        return TRUE;
    ++*reinterpret_cast<size_t*>(count);
    EnumChildWindows(window, CountOne, count);  // every descendant, once
    return TRUE;
}

}  // namespace

size_t OwnWindowCount()
{
    size_t count = 0;
    EnumWindows(CountTree, reinterpret_cast<LPARAM>(&count));
    for (HWND window = FindWindowExA(HWND_MESSAGE, nullptr, nullptr, nullptr); window;
         window = FindWindowExA(HWND_MESSAGE, window, nullptr, nullptr))
        if (OwnedByThisProcess(window))
            CountTree(window, reinterpret_cast<LPARAM>(&count));
    return count;
}

size_t OwnMenuCount()
{
    // USER handles are 0x0020 + 2 * index in their lower word.
    size_t count = 0;
    for (uintptr_t handle = 0x0020; handle < 0xFFF0; handle += 2)
        if (IsMenu(reinterpret_cast<HMENU>(handle)))
            ++count;
    return count;
}

bool FollowsTenMenusAndWindows()
{
    const size_t menus = OwnMenuCount(), windows = OwnWindowCount();
    HMENU made[10];
    HWND shown[10];
    for (int i = 0; i < 10; ++i) {
        made[i] = CreatePopupMenu();
        shown[i] = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    }
    const bool during = OwnMenuCount() == menus + 10 && OwnWindowCount() == windows + 10;
    for (int i = 0; i < 10; ++i) {
        DestroyMenu(made[i]);
        DestroyWindow(shown[i]);
    }
    return during && OwnMenuCount() == menus && OwnWindowCount() == windows;
}

size_t CommittedPrivateBytes()
{
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    size_t bytes = 0;
    auto* address = static_cast<unsigned char*>(system.lpMinimumApplicationAddress);
    MEMORY_BASIC_INFORMATION region;
    while (address < system.lpMaximumApplicationAddress && VirtualQuery(address, &region, sizeof region)) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
            bytes += region.RegionSize;
        address = static_cast<unsigned char*>(region.BaseAddress) + region.RegionSize;
    }
    return bytes;
}

size_t HeapBytesInUse()
{
    HANDLE heaps[256];
    const DWORD count = GetProcessHeaps(256, heaps);
    if (count == 0 || count > 256)
        return 0;
    size_t bytes = 0;
    for (DWORD i = 0; i < count; ++i) {
        if (!HeapLock(heaps[i]))
            continue;
        PROCESS_HEAP_ENTRY entry = {};
        while (HeapWalk(heaps[i], &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)
                bytes += entry.cbData;
        HeapUnlock(heaps[i]);
    }
    return bytes;
}

bool FollowsHeapBlocks()
{
    void* blocks[100];
    const size_t before = HeapBytesInUse();
    for (void*& block : blocks)
        block = HeapAlloc(GetProcessHeap(), 0, 64);
    const size_t during = HeapBytesInUse();
    for (void* block : blocks)
        HeapFree(GetProcessHeap(), 0, block);
    const size_t after = HeapBytesInUse();
    return during >= before + 100 * 64 && after + 100 * 64 <= during;
}

size_t ReportedPrivateUsage()
{
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof counters))
        return 0;
    return counters.PrivateUsage;
}
