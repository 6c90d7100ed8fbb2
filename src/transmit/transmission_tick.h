// The transmission tick: the sendTick timer's handler, every 100 ms for the window's life.
#pragma once

#include "form/window.h"
#include "platform/serial_port.h"
#include "platform/status_line.h"
#include "platform/wall_clock.h"
#include "protocol/messages.h"

namespace corvantis {

// What the tick reaches beyond the window: the PC clock it reads, the port it writes, and the
// status line it warns on while the port drops messages.
struct TransmitLine {
    const WallClock& clock;
    SerialPort& clockLine;
    StatusLine& status;
};

// Whether a message built now may go out: the port is open, sending is on (sendingOn),
// toMessageClocks is clear, the display rules are on (rulesWithTime), and either broadcasting is on
// (broadcastTime) or the message is a command or the rules (sendMode below TimeOnly).
bool MaySend(const Window& window, const SerialPort& port);

// At most once per even second of the PC's local clock: builds the clock message chosen by
// useUtc and sendMode into clockMessage, shows it in sentMessage (and the seconds in pcSeconds),
// and writes it to clockLine in one Output when the rate slice (sendRate) has changed since the
// last due transmission and every enabling control agrees (port open, sendingOn checked,
// toMessageClocks not, rulesWithTime checked, and broadcastTime checked or sendMode below TimeOnly:
// see MaySend).
//
// A message is written only within a small margin (200 ms) after the start of its even
// second: a tick that comes later (held up, or the first after a start-up in mid-second)
// builds and shows the message but neither writes it nor takes the rate's mark, so the next
// even second carries it.
//
// The clock is read once: the gate, the message and the rate slice all come from that one
// reading. Time and display rules are computed at every handled second, so every message is
// well-formed. A failing step is skipped silently; the tick never stops and never retries.
// The one exception is a message the port drops because its output buffer is full
// (port_error::kOutputBufferFull): such drops are counted in droppedMessages, the first of a
// run shows one warning on the status line and the first message sent after it a second.
// Ticks on an odd second, or again within a handled second, end after one clock reading.
void OnSendTick(Window& window, TransmitLine& line);

// The six display-rule field texts as the tick encodes them from the window's controls now;
// a field whose encoding fails is left empty (the message builders make it blanks).
DisplayRuleFields DisplayRuleFieldsOf(const Window& window);

}  // namespace corvantis
