// Attachment of the docked window to the instrument-panel window under it.
#pragma once
#include <windows.h>
#include <cstdint>

HWND FindPanelAt(int32_t x, int32_t y);
void AttachDisplay(HWND window, HWND target, int32_t x, int32_t y, int dock);
LRESULT CALLBACK TargetWndProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
// The tick's retry: attach a docked, unattached display to a panel under it,
// making the docked window again when it died with its panel; an attached one
// that its panel, made smaller, clips away is placed again where it stands.
void RetryAttachment();
// An attached FS2002 popup goes to its place on the panel it follows, when
// the simulator window or the panel has moved; re-parented children go with
// their panel by themselves.
void GoWithPanel();
// Leaves the panel the display follows: its procedure is written back where
// TargetWndProc is still on top, else the module stays in its chain.
void DetachPanel();
// Leaves every panel chain the module stayed in where it is now on top
// again (a stop, an unload); true from PanelChainsLeft while any is left.
void LeavePanelChains();
bool PanelChainsLeft();
// Ends the attachment at once: the panel or the docked window is gone.
void EndAttachment();
