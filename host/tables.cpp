// The host tables, the host's own recording routines and the host's calls
// into whatever routine currently sits in a slot.
#include "host/host_internal.h"

#include <cstring>

const uint32_t SimTableIds[SimTableCount] = {
    0x0001, 0x000F, 0x0015, 0x0016, 0x0101, 0x0141, 0x0004, 0x505A, 0x0002, 0x000A,
};

namespace {

// Pointer-sized words keep every slot aligned; table 0x0002 is byte data
// addressed at documented byte offsets.
uintptr_t host_data[SimHostDataBytes / sizeof(uintptr_t)];
uintptr_t other_tables[SimTableCount - 1][SimTableSlots];
uintptr_t mirror_block[SimMirrorBlockBytes / sizeof(uintptr_t)];

std::vector<SimTextCall> text_calls;
std::vector<SimPanelLoadCall> panel_calls;
std::vector<SimTickCall> tick_calls;
std::vector<SimTickRoutine> registered;
uint64_t ticks_delivered;
int32_t text_result = 1;
int32_t panel_result = 1;
std::function<void(const char*)> panel_action;

void RecordText(uint32_t table, const char* text, int32_t type, int32_t time, int32_t append)
{
    text_calls.push_back({text ? std::string(text) : std::string(), text == nullptr, type, time, append, table});
}

int32_t WINAPI HostTextOutput16(const char* text, int32_t type, int32_t time, int32_t append)
{
    RecordText(SimTableTextOutput, text, type, time, append);
    return text_result;
}

int32_t WINAPI HostTextOutput0A(const char* text, int32_t type, int32_t time, int32_t append)
{
    RecordText(SimTableTextAlt, text, type, time, append);
    return text_result;
}

int32_t WINAPI HostPanelLoad(uintptr_t w1, uintptr_t w2, uintptr_t w3, uintptr_t w4, const char* path,
                             uintptr_t w6)
{
    SimPanelLoadCall call{{w1, w2, w3, w4, reinterpret_cast<uintptr_t>(path), w6},
                          path ? std::string(path) : std::string(), path == nullptr};
    panel_calls.push_back(call);
    if (panel_action) {
        std::function<void(const char*)> action = panel_action;  // the action may replace itself
        action(path);
    }
    return panel_result;
}

uintptr_t WINAPI HostRegister(uintptr_t id, SimTickRoutine callback)
{
    tick_calls.push_back({true, id, callback});
    if (callback)
        registered.push_back(callback);
    return 1;
}

uintptr_t WINAPI HostUnregister(uintptr_t id, SimTickRoutine callback)
{
    tick_calls.push_back({false, id, callback});
    for (size_t i = 0; i < registered.size(); ++i)
        if (registered[i] == callback) {
            registered.erase(registered.begin() + i);
            break;
        }
    return 1;
}

template <typename Routine>
uintptr_t Word(Routine routine)
{
    return reinterpret_cast<uintptr_t>(routine);
}

}  // namespace

unsigned char* SimTable(uint32_t id)
{
    if (id == SimTableHostData)
        return reinterpret_cast<unsigned char*>(host_data);
    int other = 0;
    for (uint32_t known : SimTableIds) {
        if (known == SimTableHostData)
            continue;
        if (known == id)
            return reinterpret_cast<unsigned char*>(other_tables[other]);
        ++other;
    }
    return nullptr;
}

uintptr_t* SimSlot(uint32_t id, uint32_t byte_offset)
{
    unsigned char* table = SimTable(id);
    size_t bytes = id == SimTableHostData ? SimHostDataBytes : SimTableSlots * sizeof(uintptr_t);
    if (!table || (byte_offset / 4 + 1) * sizeof(uintptr_t) > bytes)
        return nullptr;
    return reinterpret_cast<uintptr_t*>(table) + byte_offset / 4;
}

void SimSetSlot(uint32_t id, uint32_t byte_offset, uintptr_t value)
{
    if (uintptr_t* slot = SimSlot(id, byte_offset))
        *slot = value;
}

void SimCreateTables()
{
    memset(host_data, 0, sizeof host_data);
    memset(other_tables, 0, sizeof other_tables);
    memset(mirror_block, 0, sizeof mirror_block);
    SimSetSlot(SimTableTextOutput, SimTextOutputOffset, Word(HostTextOutput16));
    SimSetSlot(SimTableTextAlt, SimTextAltOffset, Word(HostTextOutput0A));
    SimSetSlot(SimTablePanel, SimPanelLoadOffset, Word(HostPanelLoad));
    SimSetSlot(SimTableTick, SimTickRegisterOffset, Word(HostRegister));
    SimSetSlot(SimTableTick, SimTickUnregisterOffset, Word(HostUnregister));
    SimSetMirrorBlockWord(Word(mirror_block));
    SimSetScrollOption(1);
    SimSetDisplayValue(1);
    text_result = 1;
    panel_result = 1;
    panel_action = nullptr;
    registered.clear();
    ticks_delivered = 0;
    SimClearCalls();
}

void SimSetScrollOption(uint8_t value)
{
    unsigned char* table = SimTable(SimTableHostData);
    table[SimScrollOptionFS98] = value;
    table[SimScrollOptionLater] = value;
}

void SimSetDisplayValue(int32_t value)
{
    memcpy(SimTable(SimTableHostData) + SimDisplayValueOffset, &value, sizeof value);
}

unsigned char* SimMirrorBlock()
{
    return reinterpret_cast<unsigned char*>(mirror_block) + SimMirrorTextOffset;
}

std::string SimMirroredText()
{
    const char* text = reinterpret_cast<const char*>(SimMirrorBlock());
    const size_t area = SimMirrorBlockBytes - SimMirrorTextOffset;
    return std::string(text, strnlen(text, area));
}

void SimSetMirrorBlockWord(uintptr_t value)
{
    SimSetSlot(SimTableMirror, SimMirrorBlockOffset, value);
}

SimTextOutputRoutine SimHostTextOutput(uint32_t table)
{
    if (table == SimTableTextAlt)
        return HostTextOutput0A;
    return table == SimTableTextOutput ? HostTextOutput16 : nullptr;
}

SimPanelLoadRoutine SimHostPanelLoad() { return HostPanelLoad; }
SimTickRegistration SimHostRegister() { return HostRegister; }
SimTickRegistration SimHostUnregister() { return HostUnregister; }
void SimSetTextOutputResult(int32_t result) { text_result = result; }
void SimSetPanelLoadResult(int32_t result) { panel_result = result; }
void SimSetPanelLoadAction(std::function<void(const char*)> action) { panel_action = std::move(action); }

int SimFillImportTable(void* import_table, const std::vector<uint32_t>& offered)
{
    if (!import_table)
        return 0;
    uintptr_t* pair = static_cast<uintptr_t*>(import_table);
    int filled = 0;
    for (int i = 0; i < 64 && pair[0] != 0; ++i, pair += 2) {
        uint32_t id = static_cast<uint32_t>(pair[0]);
        bool wanted = pair[0] <= 0xFFFFFFFFu;
        bool is_offered = false;
        for (uint32_t o : offered)
            is_offered |= o == id;
        unsigned char* table = wanted && is_offered ? SimTable(id) : nullptr;
        pair[1] = reinterpret_cast<uintptr_t>(table);
        filled += table != nullptr;
    }
    return filled;
}

int SimFillImportTable(void* import_table)
{
    return SimFillImportTable(import_table, std::vector<uint32_t>(SimTableIds, SimTableIds + SimTableCount));
}

const std::vector<SimTextCall>& SimTextCalls() { return text_calls; }
const std::vector<SimPanelLoadCall>& SimPanelLoadCalls() { return panel_calls; }
const std::vector<SimTickCall>& SimTickCalls() { return tick_calls; }

void SimClearCalls()
{
    text_calls.clear();
    panel_calls.clear();
    tick_calls.clear();
    SimClearMainCommands();
}

int32_t SimCallTextOutput(const char* text, int32_t type, int32_t time, int32_t append, uint32_t table,
                          bool* called)
{
    uint32_t offset = table == SimTableTextAlt ? SimTextAltOffset : SimTextOutputOffset;
    uintptr_t* slot = (table == SimTableTextAlt || table == SimTableTextOutput) ? SimSlot(table, offset) : nullptr;
    SimTextOutputRoutine routine = slot ? reinterpret_cast<SimTextOutputRoutine>(*slot) : nullptr;
    if (called)
        *called = routine != nullptr;
    return routine ? routine(text, type, time, append) : 0;
}

int32_t SimCallPanelLoadWords(const uintptr_t words[6], bool* called)
{
    uintptr_t* slot = SimSlot(SimTablePanel, SimPanelLoadOffset);
    SimPanelLoadRoutine routine = slot ? reinterpret_cast<SimPanelLoadRoutine>(*slot) : nullptr;
    if (called)
        *called = routine != nullptr;
    if (!routine)
        return 0;
    return routine(words[0], words[1], words[2], words[3], reinterpret_cast<const char*>(words[4]), words[5]);
}

int32_t SimCallPanelLoad(const char* path, bool* called)
{
    const uintptr_t words[6] = {0x1001, 0x1002, 0x1003, 0x1004, reinterpret_cast<uintptr_t>(path), 0x1006};
    return SimCallPanelLoadWords(words, called);
}

std::vector<SimTickRoutine> SimRegisteredTicks() { return registered; }

SimTickRoutine SimRegisteredTick() { return registered.empty() ? nullptr : registered.front(); }

int SimRunTicks(int n)
{
    int calls = 0;
    for (int i = 0; i < n; ++i) {
        // A tick may unregister itself (or another): run over a copy.
        std::vector<SimTickRoutine> now = registered;
        for (SimTickRoutine tick : now) {
            bool still_registered = false;
            for (SimTickRoutine r : registered)
                still_registered |= r == tick;
            if (!still_registered)
                continue;
            tick(0, 0);
            ++calls;
        }
        ++ticks_delivered;
    }
    return calls;
}

uint64_t SimTicksDelivered() { return ticks_delivered; }

void SimForgetTick(SimTickRoutine tick)
{
    for (size_t i = 0; i < registered.size(); ++i)
        if (registered[i] == tick) {
            registered.erase(registered.begin() + i);
            return;
        }
}

int SimRestoreTableSlots(uintptr_t begin, uintptr_t end)
{
    struct Slot {
        uint32_t table, offset;
        uintptr_t host;
    } const slots[] = {
        {SimTableTextOutput, SimTextOutputOffset, Word(HostTextOutput16)},
        {SimTableTextAlt, SimTextAltOffset, Word(HostTextOutput0A)},
        {SimTablePanel, SimPanelLoadOffset, Word(HostPanelLoad)},
        {SimTableTick, SimTickRegisterOffset, Word(HostRegister)},
        {SimTableTick, SimTickUnregisterOffset, Word(HostUnregister)},
    };
    int restored = 0;
    for (const Slot& slot : slots) {
        uintptr_t* word = SimSlot(slot.table, slot.offset);
        if (word && *word >= begin && *word < end) {
            *word = slot.host;
            ++restored;
        }
    }
    return restored;
}
