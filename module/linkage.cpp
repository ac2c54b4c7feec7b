// The record the host reads to know the module, exported as "Linkage".
#include "core/host_interface.h"
#include "module/host_entries.h"
#include "module/startup.h"

extern "C" {

ModuleLinkage Linkage = {
    0x507F, StartModule, StopModule, 0, 1, 0x800, 0, ShowMessage,
};

}
