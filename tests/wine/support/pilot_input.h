// The pilot's own input, through SendInput: Windows delivers it as it
// delivers a real mouse and keyboard (hit-testing, activation, capture, the
// menu's and the move loop's own message loops), where a posted message would
// skip all of that. And the question the pilot asks afterwards: do the
// simulator's keys work?
//
// The points are screen coordinates; they work on the display of a Wine slot
// and inside a Wine virtual desktop alike. Input is queued by the calls below
// and acted on when this thread's messages are dispatched (pump after them).
#pragma once
#include <windows.h>
#include <functional>
#include <string>

// Moves the pointer to `at`, presses and releases the button there.
bool LeftClickAt(POINT at);
bool RightClickAt(POINT at);
// Presses and releases a key, as VK_ESCAPE or VK_RETURN.
bool PressKey(WORD key);
// Presses the left button at `from`, moves to `to` in a few steps holding it,
// and releases it there.
bool DragWithLeftButton(POINT from, POINT to);

// Right-clicks at `at` and runs `while_open` once the context menu that the
// click opens is up, inside the menu's own loop (press Escape, click
// elsewhere, pick an item with the keys). Dispatches this thread's messages
// until the menu has closed and the queue is empty. A menu still open after
// `timeout_ms` is ended. True when a menu came up and the pilot closed it.
bool PlayContextMenu(POINT at, const std::function<void()>& while_open, int timeout_ms = 8000);

// Inside PlayContextMenu's script: clicks the item at `position` of the open
// context menu, where the pilot sees it (the keys would depend on which item
// the pointer happened to light up when the menu opened).
bool ClickMenuItem(int position);

// Whether the simulator has the keyboard: its main window is the foreground
// window and the active window of its thread, and the focus is the main
// window or another window of the simulator's (a panel), not a display
// window of class "OrvaleWindow". `who` (when given) says who has the
// foreground, the activation and the focus, for a failure message.
bool SimulatorHasKeyboard(HWND main, std::string* who = nullptr);

// Another program's window in the foreground, at `place` on the screen: a
// window of a thread of its own, which has input of its own as a program
// has. One at a time; EndAnotherProgram closes it.
HWND StartAnotherProgram(RECT place);
void EndAnotherProgram();

// The centre of a window's client area, on the screen.
POINT ClientCentre(HWND window);

// The sizes of captions and frames, and a change of them as the Display
// control panel or a change of theme makes it: the sizes set, then every
// top-level window told. Nothing is written to the prefix's files.
NONCLIENTMETRICSA CurrentMetrics();
void SetMetrics(NONCLIENTMETRICSA metrics);
