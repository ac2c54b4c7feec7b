// Plain-value logic: no Win32 calls here.
#include "display/tick_step.h"
#include "core/bytes_and_text.h"

bool CountTick(DisplayValues& s)
{
    if (++s.tick_count < TicksPerRound)
        return false;
    s.tick_count = 0;
    return true;
}

unsigned AdvanceText(DisplayValues& s)
{
    // Most ticks find no text and no time to count: nothing to do.
    if (s.text_length == 0 && s.display_ticks == 0)
        return 0;
    unsigned effect = 0;
    const MessageStep step =
        StepMessage(s.tick_count, s.scroll_mask, s.text_length > 0, s.scroll_delay, s.display_ticks);
    if (step.moves) {
        // Drop the first character; the terminator moves with the rest.
        MoveBytes(s.text_buffer, s.text_buffer + 1, static_cast<size_t>(s.text_length));
        --s.text_length;
        effect |= TickChanged | TickMirrored;
    }
    // An attached docked display repaints on every such tick, also with
    // static text: the panel under it may have painted over it.
    if (step.let_through && s.docked && s.attached)
        effect |= TickChanged;
    if (step.runs_out) {
        s.text_buffer[0] = '\0';
        s.text_length = 0;
        effect |= TickChanged | TickMirrored;
    }
    return effect;
}
