// Plain-value logic: no Win32 calls here.
#include "display/message_history.h"
#include "core/bytes_and_text.h"
#include "display/tick_step.h"

const KeptMessage& KeptAt(const MessageHistory& h, int32_t age)
{
    return h.kept[(h.newest - age + HistoryLength) % HistoryLength];
}

static bool SameAsNewest(const MessageHistory& h, const DisplayValues& s, int32_t type)
{
    if (h.count == 0)
        return false;
    const KeptMessage& newest = KeptAt(h, 0);
    return newest.type == type && newest.length == s.text_length && newest.scroll_mask == s.scroll_mask &&
           TextEquals(newest.text, s.text_buffer);
}

void KeepMessage(MessageHistory& h, DisplayValues& s, const char* added, size_t added_length, int32_t type,
                 int32_t added_time, bool continues)
{
    if (continues && s.newest_in_buffer && h.count > 0) {
        KeptMessage& kept = h.kept[h.newest];
        // Whole where it fits; otherwise as the buffer now holds it, which
        // keeps the buffer the end of what was kept.
        if (static_cast<size_t>(kept.length) + added_length <= static_cast<size_t>(TextCapacity)) {
            if (added_length > 0)
                CopyBytes(kept.text + kept.length, added, added_length);
            kept.length += static_cast<int32_t>(added_length);
        } else {
            CopyBytes(kept.text, s.text_buffer, static_cast<size_t>(s.text_length));
            kept.length = s.text_length;
        }
        kept.text[kept.length] = '\0';
        kept.ticks = SaturatingAdd(kept.ticks, added_time);
        kept.scroll_mask = s.scroll_mask;
        return;
    }
    s.newest_in_buffer = 0;
    if (added_length == 0)
        return;
    s.newest_in_buffer = 1;
    if (SameAsNewest(h, s, type)) {
        h.kept[h.newest].ticks = s.display_ticks;
        return;
    }
    h.newest = h.count == 0 ? 0 : (h.newest + 1) % HistoryLength;
    if (h.count < HistoryLength)
        ++h.count;
    KeptMessage& kept = h.kept[h.newest];
    CopyBytes(kept.text, s.text_buffer, static_cast<size_t>(s.text_length));
    kept.length = s.text_length;
    kept.text[kept.length] = '\0';
    kept.ticks = s.display_ticks;
    kept.scroll_mask = s.scroll_mask;
    kept.type = type;
}

bool RecallOlder(DisplayValues& s, const MessageHistory& h)
{
    int32_t age;
    if (s.recall_age >= 0)
        age = s.recall_age + 1;
    else
        age = s.text_length > 0 && s.newest_in_buffer ? 1 : 0;
    if (age >= h.count) {
        if (s.recall_age < 0)
            return false;
        s.recall_age = -1;
        return true;
    }
    const KeptMessage& kept = KeptAt(h, age);
    s.recall_age = age;
    s.recall_offset = 0;
    s.recall_ticks = kept.ticks;
    s.recall_delay = kept.scroll_mask != 0 ? ScrollStartDelay : 0;
    return true;
}

unsigned AdvanceRecall(DisplayValues& s, const MessageHistory& h)
{
    if (s.recall_age < 0)
        return 0;
    const KeptMessage& kept = KeptAt(h, s.recall_age);
    unsigned effect = 0;
    const MessageStep step = StepMessage(s.tick_count, kept.scroll_mask, true, s.recall_delay, s.recall_ticks);
    if (step.moves) {
        ++s.recall_offset;
        effect |= TickChanged;
    }
    if (step.let_through && s.docked && s.attached)
        effect |= TickChanged;
    if (step.runs_out || s.recall_offset >= kept.length) {
        s.recall_age = -1;
        effect |= TickChanged;
    }
    return effect;
}

int32_t RecalledLine(const DisplayValues& s, const MessageHistory& h, char* out)
{
    if (s.recall_age < 0 || s.recall_age >= HistoryLength)
        return 0;
    const KeptMessage& kept = KeptAt(h, s.recall_age);
    out[0] = '-';
    out[1] = static_cast<char>('1' + s.recall_age);
    out[2] = ' ';
    int32_t length = 3;
    const int32_t offset = s.recall_offset < kept.length ? s.recall_offset : kept.length;
    CopyBytes(out + length, kept.text + offset, static_cast<size_t>(kept.length - offset));
    length += kept.length - offset;
    out[length] = '\0';
    return length;
}
