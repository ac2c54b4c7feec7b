#define PSAPI_VERSION 2
#include "support/process_counters.h"
#include <psapi.h>
#include <cstdint>

size_t GdiCountFromGuiResources()
{
    return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
}

size_t GdiCountFromTable()
{
    const size_t peb_offset = sizeof(void*) == 8 ? 0x60 : 0x30;
    const size_t table_offset = sizeof(void*) == 8 ? 0xF8 : 0x94;
    const size_t entry_size = sizeof(void*) == 8 ? 24 : 16;
    const size_t type_offset = sizeof(void*) == 8 ? 14 : 10;
    auto* teb = reinterpret_cast<unsigned char*>(NtCurrentTeb());
    auto* peb = *reinterpret_cast<unsigned char**>(teb + peb_offset);
    auto* table = *reinterpret_cast<unsigned char**>(peb + table_offset);
    if (table == nullptr)
        return 0;
    MEMORY_BASIC_INFORMATION region = {};
    if (!VirtualQuery(table, &region, sizeof region))
        return 0;
    size_t entries = (region.RegionSize - (table - static_cast<unsigned char*>(region.BaseAddress))) / entry_size;
    size_t live = 0;
    for (size_t i = 0; i < entries; ++i)
        if (*reinterpret_cast<uint16_t*>(table + i * entry_size + type_offset) != 0)
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

size_t ReportedPrivateUsage()
{
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof counters))
        return 0;
    return counters.PrivateUsage;
}
