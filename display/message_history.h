// The last messages the display showed, and the one the pilot recalls, on
// plain values: what is kept, how a click goes back, and how a recalled
// message scrolls and runs out.
#pragma once
#include <cstddef>
#include <cstdint>
#include "core/display_values.h"

// Room for a recalled line: its place ("-8 ") and the message.
constexpr int32_t RecalledLineCapacity = TextCapacity + 1 + 4;

// The message `age` messages back (0 the newest); age < count.
const KeptMessage& KeptAt(const MessageHistory& h, int32_t age);

// Keeps the message the buffer has just taken. `added` is the text given
// (`added_length` characters of it went into the buffer) and `added_time` the
// display time it brought. A message appended to the kept one still in the
// buffer makes that one longer; one that repeats the newest word for word is
// kept once; an empty one is not kept.
void KeepMessage(MessageHistory& h, DisplayValues& s, const char* added, size_t added_length, int32_t type,
                 int32_t added_time, bool continues);

// The pilot's click: the message before the one on the display, or, past the
// oldest, the buffer again. False where nothing changed (nothing to recall).
bool RecallOlder(DisplayValues& s, const MessageHistory& h);

// Scrolls the recalled message and counts its time down as AdvanceText does
// the buffer's; at its end the display shows the buffer again. Returns
// TickChanged where the display must be repainted.
unsigned AdvanceRecall(DisplayValues& s, const MessageHistory& h);

// The recalled line as drawn: its place, then what is left of the message.
// Returns its length; `out` holds at least RecalledLineCapacity bytes.
int32_t RecalledLine(const DisplayValues& s, const MessageHistory& h, char* out);

// The display shows something: its buffer, or a recalled message.
inline bool ShowsText(const DisplayValues& s) { return s.text_length != 0 || s.recall_age >= 0; }
