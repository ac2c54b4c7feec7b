// Switching the display between its docked and undocked forms.
#pragma once
#include <windows.h>
#include <cstdint>

enum DisplayForm : int { FormFloating = 0, FormDocked = 1 };
// Where a placement starts from: the form's stored place, or where the
// display stands now (measured, and converted when the form changes).
enum PlaceSource : int { FromStoredPlace = 0, FromWhereItStands = 1 };
void PlaceDisplay(DisplayForm dock, PlaceSource measure);
// The display placed for the aircraft just read: docked where its settings
// gave a place (`loaded`), else floating; before start-up only the form is
// noted, for InitDisplay to place it in.
void PlaceForAircraft(int32_t loaded);
// The tick's retry: attach a docked, unattached display to a panel under it,
// making the docked window again when it died with its panel; an attached one
// that its panel, made smaller, clips away is placed again where it stands.
void RetryAttachment();
// Notes where the display stands now as its stored place: the pilot's last
// move of the floating window, the panel an FS2002 popup went with.
void NoteDisplayPlace();
// The floating window takes the frame of the system's metrics as they are
// now, and is raised to one line of text where the new frame leaves less.
void RefitFloatingWindow();
