// Switching the display between its docked and undocked forms.
#pragma once
#include <windows.h>

void PlaceDisplay(int dock, int measure);
