#include "module/display_state.h"

void SaveSettings() {}

void SaveIfDocked()
{
    if (state.docked && state.config_path[0] != '\0')
        SaveSettings();
}
