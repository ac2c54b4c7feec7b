#include "module/display_state.h"

void RunColourCommand(HWND, UINT) {}
