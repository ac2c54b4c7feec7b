// The "&Orvale" item in the simulator's "&Modules" menu.
#pragma once
#include <windows.h>

enum : UINT { ModulesMenuId = 21007, OrvaleItemId = 35224 };

// Puts the item into the menu bar of the simulator's main window (and a
// "&Modules" popup of its own where the bar has none), once per bar.
void InstallMenuItem();
// On each non-client paint: a new bar gets the item, and the popup of our
// own follows the bar's first item in being enabled or grayed.
void SyncMenuItem();
// The check mark of "&Orvale" from whether the display is on.
void CheckOrvaleItem();
