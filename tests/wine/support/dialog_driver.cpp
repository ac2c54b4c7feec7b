#include "support/dialog_driver.h"
#include <cstring>

HWND dialog_seen = nullptr;
bool dialog_stuck = false;

namespace {

std::function<void(HWND)> dialog_script;
UINT_PTR drive_timer = 0, watchdog_timer = 0;

BOOL CALLBACK FindDialog(HWND window, LPARAM found)
{
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    if (strcmp(name, "#32770") == 0 && IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

HWND ThreadDialog()
{
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

void CALLBACK DriveDialog(HWND, UINT, UINT_PTR, DWORD)
{
    HWND dialog = ThreadDialog();
    if (dialog == nullptr || dialog_seen != nullptr)
        return;
    KillTimer(nullptr, drive_timer);
    drive_timer = 0;
    dialog_seen = dialog;
    dialog_script(dialog);
}

void CALLBACK CloseLeftovers(HWND, UINT, UINT_PTR, DWORD)
{
    if (HWND dialog = ThreadDialog()) {
        dialog_stuck = true;
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    }
}

}  // namespace

void Press(HWND dialog, int button)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
}

void CommandWithDialog(HWND window, UINT command, std::function<void(HWND)> script)
{
    WhileDialog([&] { SendMessageA(window, WM_COMMAND, command, 0); }, std::move(script));
}

void WhileDialog(const std::function<void()>& open, std::function<void(HWND)> script)
{
    dialog_script = std::move(script);
    dialog_seen = nullptr;
    dialog_stuck = false;
    drive_timer = SetTimer(nullptr, 0, 20, DriveDialog);
    watchdog_timer = SetTimer(nullptr, 0, 8000, CloseLeftovers);
    open();
    if (drive_timer)
        KillTimer(nullptr, drive_timer);
    KillTimer(nullptr, watchdog_timer);
    drive_timer = watchdog_timer = 0;
    dialog_script = nullptr;
}

COLORREF ShownColour(HWND dialog)
{
    return RGB(GetDlgItemInt(dialog, ColourRed, nullptr, FALSE), GetDlgItemInt(dialog, ColourGreen, nullptr, FALSE),
               GetDlgItemInt(dialog, ColourBlue, nullptr, FALSE));
}

void PickColour(HWND dialog, COLORREF colour)
{
    SetDlgItemInt(dialog, ColourRed, GetRValue(colour), FALSE);
    SetDlgItemInt(dialog, ColourGreen, GetGValue(colour), FALSE);
    SetDlgItemInt(dialog, ColourBlue, GetBValue(colour), FALSE);
}

void PickFont(HWND dialog, const char* face, const char* points)
{
    SendDlgItemMessageA(dialog, FontFace, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(face));
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(FontFace, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, FontFace)));
    SendDlgItemMessageA(dialog, FontSize, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(points));
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(FontSize, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, FontSize)));
}
