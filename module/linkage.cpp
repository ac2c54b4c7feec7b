#include "module/display_state.h"

extern "C" {

ModuleLinkage Linkage = {
    0x507F, StartModule, StopModule, 0, 1, 0x800, 0, ShowMessage,
};

ImportEntry ImportTable[ImportEntries + 1] = {
    {TablePanel, nullptr},      {0x000F, nullptr},       {0x0015, nullptr},
    {TableTextOutput, nullptr}, {0x0101, nullptr},       {0x0141, nullptr},
    {TableTick, nullptr},       {TableMirror, nullptr},  {TableHostData, nullptr},
    {TableTextAlt, nullptr},    {0, nullptr},
};

}

unsigned char* HostTable(uint32_t id)
{
    for (const ImportEntry* entry = ImportTable; entry->id != 0; ++entry)
        if (entry->id == id)
            return entry->table;
    return nullptr;
}
