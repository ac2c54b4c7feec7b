#include "core/display_state.h"

DisplayState state;
MessageHistory history;
