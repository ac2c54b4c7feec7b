// Attachment of the docked window to the instrument-panel window under it.
#pragma once
#include <windows.h>
#include <cstdint>

// The docked window's panel under the display's corner (x, y) and the probe
// beyond its far corner, host client coordinates; null where there is none.
HWND FindPanelAt(int32_t x, int32_t y);

// The form AttachDisplay gives the display. Docked, a panel is looked for
// only when the form changes; AttachDockedOnAnyPanel looks for one even where
// the display was docked already (a docked window new since, the retry).
enum AttachForm : int {
    AttachFloating = 0,
    AttachDocked = 1,
    AttachDockedOnAnyPanel = -1,
};
void AttachDisplay(HWND window, HWND target, int32_t x, int32_t y, AttachForm dock);
// The subclass procedure of the panel an FS2002 popup follows: the panel's
// hide and show notifications hide and show the popup. It stays in docking,
// which alone installs it and recognises it in a panel's chain.
LRESULT CALLBACK TargetWndProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
// An attached FS2002 popup goes to its place on the panel it follows, when
// the simulator window or the panel has moved; re-parented children go with
// their panel by themselves.
void GoWithPanel();
// A display re-parented into a panel made smaller since, lying wholly
// outside it: shown, yet clipped away.
bool ClippedAwayByPanel();
// An unattached docked display moved in (or back out) as the simulator
// window changes size, and kept above panels made after it.
void KeepUnattachedInSight();
// Leaves the panel the display follows: its procedure is written back where
// TargetWndProc is still on top, else the module stays in its chain.
void DetachPanel();
// Leaves every panel chain the module stayed in where it is now on top
// again (a stop, an unload); true from PanelChainsLeft while any is left.
void LeavePanelChains();
bool PanelChainsLeft();
// Ends the attachment at once: the panel or the docked window is gone.
void EndAttachment();
