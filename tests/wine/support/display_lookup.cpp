#include "support/display_lookup.h"
#include <cstring>

namespace {

bool IsOwnDisplay(HWND window)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId())
        return false;
    char name[32] = {};
    GetClassNameA(window, name, sizeof name);
    return strcmp(name, "OrvaleWindow") == 0;
}

struct Search {
    HWND owner;
    HWND found;
    int count;
};

BOOL CALLBACK CountChild(HWND window, LPARAM data)
{
    if (IsOwnDisplay(window))
        ++reinterpret_cast<Search*>(data)->count;
    return TRUE;
}

BOOL CALLBACK Visit(HWND window, LPARAM data)
{
    Search* search = reinterpret_cast<Search*>(data);
    if (IsOwnDisplay(window)) {
        ++search->count;
        if (!search->found && (!search->owner || GetWindow(window, GW_OWNER) == search->owner))
            search->found = window;
    }
    EnumChildWindows(window, CountChild, data);
    return TRUE;
}

BOOL CALLBACK VisitForm(HWND window, LPARAM data)
{
    auto* found = reinterpret_cast<DisplayWindows*>(data);
    if (IsOwnDisplay(window))
        ((GetWindowLongPtrA(window, GWL_STYLE) & WS_CAPTION) == WS_CAPTION ? found->floating : found->docked) = window;
    return TRUE;
}

BOOL CALLBACK VisitFormTop(HWND window, LPARAM data)
{
    VisitForm(window, data);
    EnumChildWindows(window, VisitForm, data);
    return TRUE;
}

}  // namespace

HWND FindUndockedDisplay(HWND owner)
{
    Search search = {owner, nullptr, 0};
    EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

int CountDisplayWindows()
{
    Search search = {nullptr, nullptr, 0};
    EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
    return search.count;
}

DisplayWindows FindDisplayWindows()
{
    DisplayWindows found = {nullptr, nullptr};
    EnumWindows(VisitFormTop, reinterpret_cast<LPARAM>(&found));
    return found;
}
