// The tables the host fills before StartModule, and the look-up of one.
#include "core/host_interface.h"

extern "C" {

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
