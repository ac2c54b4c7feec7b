// Switching the display between its docked and undocked forms.
#pragma once
#include <windows.h>

void PlaceDisplay(int dock, int measure);
// Notes where the display stands now as its stored place: the pilot's last
// move of the floating window, the panel an FS2002 popup went with.
void NoteDisplayPlace();
// The floating window takes the frame of the system's metrics as they are
// now, and is raised to one line of text where the new frame leaves less.
void RefitFloatingWindow();
