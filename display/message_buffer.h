// The message buffer on plain values: which messages are captured, how they
// enter the buffer, how long they stay and whether they scroll.
#pragma once
#include <cstdint>
#include "core/display_values.h"

enum : int32_t {
    MessageAtis = 3,        // scrolls; captured while also_atis is set
    MessageLine = 4,        // static
    MessageStatic = 5,      // static; ShowMessage with a time >= 0
    MessageScrolling = 6,   // scrolls; ShowMessage with a negative time
};

constexpr int32_t ScrollLead = 16;          // spaces before a scrolling message
constexpr int32_t MirrorCapacity = 127;     // bytes of the other module's text block

// The host's scroll option as this module sees it: the byte, or absent.
constexpr int HostScrollOptionAbsent = -1;

bool IsCapturedType(int32_t type, int32_t also_atis);

// Puts a captured message into the buffer and sets its display time and
// scrolling; it ends a recall, and goes into `history` where one is given.
// `text` may be null. Returns the append flag the host is to get (FS2002
// ATIS always replaces the buffer).
int32_t CaptureMessage(DisplayValues& s, const char* text, int32_t type, int32_t time,
                       int32_t append, int host_scroll_option, MessageHistory* history = nullptr);

// Copies the buffer into the other module's text block: at most 127
// characters, zero-filled up to the 127th byte, the 128th never written.
void MirrorCopy(char* block, const char* text_buffer);

// An empty display gets a static text for a while (the colour and font
// commands show their effect with it). Returns true when the text was put in.
bool PutTextIfEmpty(DisplayValues& s, const char* text, int32_t ticks);

