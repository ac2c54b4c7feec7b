// plain_steps_bench: the module's plain-value steps, each called Calls times
// with only the calls themselves collected, for instruction counts under
//
//   valgrind --tool=callgrind --collect-atstart=no ./plain_steps_bench
//
// Every step writes one dump ("Client Request: <step>"); tools/bench.sh reads
// their totals, takes off the "loop" dump (the same loop around no step) and
// divides by Calls. Instruction counts do not depend on the machine's load,
// so they repeat exactly from run to run.
//
// Run without valgrind it only prints the steps and the number of calls.
#include <cstdio>
#include <cstring>
#include <string>
#include <valgrind/callgrind.h>

#include "display/message_buffer.h"
#include "display/tick_step.h"
#include "settings/settings_format.h"
#include "host/benchmark_stats.h"

namespace {

constexpr int Calls = 1000;

DisplayValues values;
char mirror[128];
volatile int sink;

// Calls `step` Calls times, each after an uncollected `prepare`, and dumps
// the collected counts under `name`.
template <typename Prepare, typename Step>
void Run(const char* name, Prepare prepare, Step step)
{
    CALLGRIND_ZERO_STATS;
    for (int i = 0; i < Calls; ++i) {
        prepare();
        CALLGRIND_TOGGLE_COLLECT;
        step();
        CALLGRIND_TOGGLE_COLLECT;
    }
    CALLGRIND_DUMP_STATS_AT(name);
    std::printf("%s\n", name);
}

void Nothing() {}

}  // namespace

int main()
{
    const std::string short_text = Words(100), long_text = Words(2000);
    std::printf("calls %d\n", Calls);
    std::printf("valgrind %s\n", RUNNING_ON_VALGRIND ? "yes" : "no");

    Run("loop", Nothing, [] { sink = 0; });

    Run("CaptureMessage, 100 characters, static", Nothing,
        [&] { sink = CaptureMessage(values, short_text.c_str(), MessageStatic, 100, 0, 1); });
    Run("CaptureMessage, 2000 characters, static", Nothing,
        [&] { sink = CaptureMessage(values, long_text.c_str(), MessageStatic, 100, 0, 1); });
    Run("CaptureMessage, 100 characters, ATIS", Nothing,
        [&] { sink = CaptureMessage(values, short_text.c_str(), MessageAtis, 400, 0, 1); });
    Run("CaptureMessage, 100 characters appended", [] { values.text_length = 0; values.text_buffer[0] = '\0'; },
        [&] { sink = CaptureMessage(values, short_text.c_str(), MessageStatic, 100, 1, 1); });

    Run("MirrorCopy, 2000-character buffer", Nothing, [] { MirrorCopy(mirror, values.text_buffer); sink = mirror[0]; });

    // The tick: CountTick and AdvanceText together, as DisplayTick runs them.
    auto tick = [] {
        bool round = CountTick(values);
        sink = static_cast<int>(AdvanceText(values)) + round;
    };
    Run("CountTick + AdvanceText, nothing to do", [] { values = DisplayValues{}; values.tick_count = 5; }, tick);
    Run("CountTick + AdvanceText, scrolling step, 2000 characters",
        [&] {
            CaptureMessage(values, long_text.c_str(), MessageScrolling, 0, 0, 1);
            values.scroll_delay = 0;
            values.tick_count = 3;  // the next count is a step
        },
        tick);
    Run("CountTick + AdvanceText, expiry", [&] { CaptureMessage(values, short_text.c_str(), MessageStatic, 1, 0, 1); },
        tick);

    // The settings section, as read at every panel load and written by Save.
    WindowEntry window;
    FontFields font;
    char out[SavedValueChars];
    Run("ParseWindowEntry", Nothing, [&] { sink = ParseWindowEntry("170,440,520,28,1,-16777215", &window); });
    Run("ParseFontEntry", Nothing,
        [&] { sink = static_cast<int>(ParseFontEntry("Courier New,-13,0,700,1,0,0", &font)); });
    Run("ReadYesSwitch + ReadNoSwitch", Nothing, [] { sink = ReadYesSwitch("Yes") + ReadNoSwitch("No"); });
    Run("ReadSettingNumber", Nothing, [] { sink = ReadSettingNumber("  -2147483649"); });
    Run("FormatWindowValue", Nothing,
        [&] { FormatWindowValue(out, sizeof out, 170, 440, 520, 28, 1, -16777215); sink = out[0]; });
    Run("FormatFontValue", Nothing, [&] { FormatFontValue(out, sizeof out, font); sink = out[0]; });
    return 0;
}
