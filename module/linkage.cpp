#include "core/display_state.h"

extern "C" {

ModuleLinkage Linkage = {
    0x507F, StartModule, StopModule, 0, 1, 0x800, 0, ShowMessage,
};

}
