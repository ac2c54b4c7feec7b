// Text capture driven by arbitrary bytes: a sequence of captured messages
// (any type, time, append flag, host option and edition, text of any length
// up to 3,000 bytes held in a block of exactly its own size), ticks, mirror
// copies and test texts. After every step the buffer holds at most 2,047
// characters with its length right, and the mirror (a block of exactly 127
// bytes, so that a write of the 128th is reported) is the buffer's start,
// zero-filled.
#include "display/message_buffer.h"
#include "display/message_history.h"
#include "display/tick_step.h"
#include "core/display_values.h"
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

void Check(bool condition)
{
    if (!condition)
        abort();
}

// Reads the input front to back; past its end every read is 0.
struct Input {
    const uint8_t* data;
    size_t size;
    uint8_t Byte()
    {
        if (size == 0)
            return 0;
        --size;
        return *data++;
    }
    int32_t Word()
    {
        uint32_t w = 0;
        for (int i = 0; i < 4; ++i)
            w = w << 8 | Byte();
        return static_cast<int32_t>(w);
    }
};

void CheckBuffer(const DisplayValues& s)
{
    Check(s.text_length >= 0 && s.text_length <= TextCapacity);
    Check(strnlen(s.text_buffer, sizeof s.text_buffer) == static_cast<size_t>(s.text_length));
    Check(s.scroll_delay >= 0 && s.scroll_delay <= ScrollStartDelay);
    Check(s.scroll_mask == 0 || s.scroll_mask == 1 || s.scroll_mask == 3);
    Check(s.tick_count >= 0 && s.tick_count < TicksPerRound);
}

void CheckMirror(const DisplayValues& s, const char* mirror)
{
    const size_t shown = strnlen(mirror, MirrorCapacity);
    Check(shown == (static_cast<size_t>(s.text_length) < MirrorCapacity ? static_cast<size_t>(s.text_length)
                                                                         : MirrorCapacity));
    Check(memcmp(mirror, s.text_buffer, shown) == 0);
    for (size_t i = shown; i < MirrorCapacity; ++i)
        Check(mirror[i] == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Input in = {data, size};
    auto values = std::make_unique<DisplayValues>();
    DisplayValues& s = *values;
    auto mirror = std::make_unique<char[]>(MirrorCapacity);  // exactly the 127 bytes that may be written
    auto kept = std::make_unique<MessageHistory>();
    auto line = std::make_unique<char[]>(RecalledLineCapacity);

    for (int step = 0; step < 64 && in.size > 0; ++step) {
        switch (in.Byte() % 5) {
        case 0: {
            const int32_t type = static_cast<int8_t>(in.Byte());
            const int32_t time = in.Word();
            const int32_t append = static_cast<int8_t>(in.Byte());
            const uint8_t option = in.Byte();
            const int host_option = option == 0xFF ? HostScrollOptionAbsent : option % 2;
            s.host_version = in.Byte() % 3;
            s.also_atis = in.Byte() % 2;
            const uint8_t shape = in.Byte();
            size_t length = (static_cast<size_t>(in.Byte()) << 8 | in.Byte()) % 3001;
            if (shape == 0xFF)
                length = 3000;
            const bool null_text = shape == 0xFE;
            // The text: input bytes (a zero ends it early) in a block of
            // exactly its own size.
            auto text = std::make_unique<char[]>(length + 1);
            for (size_t i = 0; i < length; ++i) {
                char c = static_cast<char>(in.Byte());
                text[i] = c ? c : 'x';
            }
            text[length] = '\0';
            if (!IsCapturedType(type, s.also_atis))
                break;
            const int32_t was = s.text_length;
            const int32_t host_append =
                CaptureMessage(s, null_text ? nullptr : text.get(), type, time, append, host_option, kept.get());
            if (s.host_version == 2 && type == MessageAtis)
                Check(host_append == 0);
            else
                Check(host_append == append);
            if (host_append != 0 && !null_text)
                Check(s.text_length == std::min<int32_t>(TextCapacity, was + static_cast<int32_t>(length)));
            break;
        }
        case 1:
            for (int n = in.Byte() % 41; n > 0; --n) {
                CountTick(s);
                AdvanceText(s);
                AdvanceRecall(s, *kept);
                CheckBuffer(s);
            }
            break;
        case 2:
            MirrorCopy(mirror.get(), s.text_buffer);
            CheckMirror(s, mirror.get());
            break;
        case 3: {
            // The pilot's clicks: whatever was kept, the line drawn stays
            // within its room and ends the message recalled.
            RecallOlder(s, *kept);
            Check(kept->count >= 0 && kept->count <= HistoryLength && s.recall_age < kept->count);
            if (s.recall_age >= 0) {
                const int32_t length = RecalledLine(s, *kept, line.get());
                const KeptMessage& message = KeptAt(*kept, s.recall_age);
                Check(length >= 3 && length < RecalledLineCapacity && line[length] == '\0');
                Check(message.length <= TextCapacity && message.text[message.length] == '\0');
            }
            break;
        }
        default: {
            const bool empty = s.text_length == 0;
            Check(PutTextIfEmpty(s, "Test text for colour/font settings", in.Word()) == empty);
            break;
        }
        }
        CheckBuffer(s);
    }
    MirrorCopy(mirror.get(), s.text_buffer);
    CheckMirror(s, mirror.get());
    return 0;
}
