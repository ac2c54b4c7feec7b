// Plain-value logic: no Win32 calls here.
#include "display/message_buffer.h"
#include "core/bytes_and_text.h"
#include "core/edition.h"
#include "display/message_history.h"
#include "display/tick_step.h"

bool IsCapturedType(int32_t type, int32_t also_atis)
{
    switch (type) {
    case MessageAtis:
        return also_atis != 0;
    case MessageLine:
    case MessageStatic:
    case MessageScrolling:
        return true;
    default:
        return false;
    }
}

int32_t CaptureMessage(DisplayValues& s, const char* text, int32_t type, int32_t time,
                       int32_t append, int host_scroll_option, MessageHistory* history)
{
    // A new message replaces a recalled one at once.
    s.recall_age = -1;
    int32_t shown_time = time;

    // FS2002 repeats its ATIS broadcast with the append flag set and counts
    // time at twice the rate: each broadcast starts afresh, for half the time.
    if (s.host_version == EditionFS2002 && type == MessageAtis) {
        append = 0;
        shown_time = static_cast<int32_t>(static_cast<uint32_t>(time) >> 1);
    }

    s.scroll_mask = (type == MessageAtis || type == MessageScrolling) ? 3 : 0;
    if (host_scroll_option == 0)
        s.scroll_mask = 0;
    if (s.scroll_mask != 0) {
        if (type == MessageAtis)
            shown_time = 0;     // the ATIS line stays until it has scrolled away
        if (s.host_version == EditionFS2002)
            s.scroll_mask = 1;
    }

    // Only an appended message needs to know what the buffer holds.
    int32_t length = 0;
    if (append != 0) {
        length = static_cast<int32_t>(TextLengthWithin(s.text_buffer, TextCapacity));
    } else {
        if (s.scroll_mask != 0) {
            FillBytes(s.text_buffer, ' ', ScrollLead);
            length = ScrollLead;
        }
        s.text_buffer[length] = '\0';
    }

    // Text is added to what the display still shows of a message.
    const bool continues = append != 0 && length > 0;
    size_t take = 0;
    if (text != nullptr) {
        size_t room = static_cast<size_t>(TextCapacity - length);
        take = TextLengthWithin(text, room);
        CopyBytes(s.text_buffer + length, text, take);
        length += static_cast<int32_t>(take);
        s.text_buffer[length] = '\0';
    }
    s.text_length = length;

    s.display_ticks = append != 0 ? SaturatingAdd(s.display_ticks, shown_time) : shown_time;
    s.scroll_delay = (s.scroll_mask != 0 && append == 0) ? ScrollStartDelay : 0;
    if (history != nullptr)
        KeepMessage(*history, s, text, take, type, shown_time, continues);
    return append;
}

void MirrorCopy(char* block, const char* text_buffer)
{
    size_t length = TextLengthWithin(text_buffer, MirrorCapacity);
    CopyBytes(block, text_buffer, length);
    FillBytes(block + length, 0, MirrorCapacity - length);
}

bool PutTextIfEmpty(DisplayValues& s, const char* text, int32_t ticks)
{
    if (s.text_length != 0)
        return false;
    size_t take = TextLengthWithin(text, TextCapacity);
    CopyBytes(s.text_buffer, text, take);
    s.text_buffer[take] = '\0';
    s.text_length = static_cast<int32_t>(take);
    s.display_ticks = ticks;
    s.scroll_mask = 0;
    s.scroll_delay = 0;
    s.newest_in_buffer = 0;
    return true;
}
