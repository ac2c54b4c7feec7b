#include "module/display_state.h"
