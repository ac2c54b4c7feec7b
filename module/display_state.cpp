#include "module/display_state.h"

DisplayState state;
