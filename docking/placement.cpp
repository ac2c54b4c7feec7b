#include "module/display_state.h"

void PlaceDisplay(int, int) {}
