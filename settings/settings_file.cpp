#include "module/display_state.h"

void SaveSettings() {}
void SaveIfDocked() {}
