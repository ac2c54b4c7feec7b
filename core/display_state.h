// DisplayState: the one module-wide record. The plain values come from
// DisplayValues; the handles and routines the module holds are added here.
// Every subsystem reads and writes `state` directly.
#pragma once
#include <windows.h>
#include "core/display_values.h"
#include "core/host_interface.h"

struct DisplayState : DisplayValues {
    HINSTANCE module_instance = nullptr;
    HWND host_window = nullptr;
    // The module's one timer and the routine it runs: a timer message that
    // Windows had already queued when the timer was killed must not act.
    UINT_PTR timer_id = 0;
    TIMERPROC timer_routine = nullptr;

    TextOutputRoutine prev_text_output = nullptr;
    PanelLoadRoutine prev_panel_load = nullptr;

    HWND undocked_window = nullptr;
    HWND docked_window = nullptr;
    HWND dock_target = nullptr;
    WNDPROC prev_target_wndproc = nullptr;
    // Panels whose window procedure still leads to TargetWndProc, under
    // another module's subclass made after ours: there the module stays in
    // the chain and passes everything on to the procedure it found.
    struct PanelChain {
        HWND panel;
        WNDPROC next;
    };
    PanelChain panel_chains[8] = {};
    WNDPROC prev_host_wndproc = nullptr;

    HBRUSH back_brush = nullptr;
    HFONT display_font = nullptr;
    LOGFONTA display_logfont = {};

    HMENU docked_menu = nullptr;
    HMENU undocked_menu = nullptr;
    HMENU loaded_menu = nullptr;
    char menu_name[10] = {};

    HMENU host_menu = nullptr;
};

extern DisplayState state;
// Apart from `state`, whose initial values put it into the module's file: the
// history's 16 KB of zeros are given by the loader instead. A stop keeps it;
// it goes with the library.
extern MessageHistory history;
