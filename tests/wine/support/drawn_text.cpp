#include "support/drawn_text.h"
#include <map>
#include "support/import_redirect.h"

namespace {

std::map<HWND, std::string> drawn;

int WINAPI RecordDrawText(HDC dc, LPCSTR text, int count, LPRECT rect, UINT format)
{
    drawn[WindowFromDC(dc)] = !text ? std::string() : count < 0 ? std::string(text) : std::string(text, count);
    return DrawTextA(dc, text, count, rect, format);
}

}  // namespace

void WatchDrawnText(HMODULE module)
{
    if (module)
        RedirectImport("user32.dll", "DrawTextA", reinterpret_cast<void*>(&RecordDrawText), module);
}

bool DrawnText(HWND window, std::string* text)
{
    drawn.erase(window);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    const auto found = drawn.find(window);
    if (found == drawn.end())
        return false;
    *text = found->second;
    return true;
}
