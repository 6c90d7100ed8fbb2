// The clock's replies on the Serial Sync port, shown in clockReply, and the short wait before
// reading them.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "form/window.h"
#include "platform/event_wait.h"
#include "platform/serial_port.h"

namespace corvantis {

// Longest reply shown: one character, then up to 35 more, from one poll.
inline constexpr std::size_t kShownReplyLength = 36;

// How long a poll that finds characters waiting lets the rest of the reply arrive.
inline constexpr std::chrono::milliseconds kReplyWait{50};

// The display tick's poll of clockLine. When the port is open, characters wait and no reply
// wait runs, starts the reply wait: window.replyWait is enabled with kReplyWait, and its tick
// (OnReplyWaitEnd) reads the reply. The wait is a deadline served by the event loop, never a
// sleep: the transmission tick, the other timers and the operator's clicks run meanwhile.
// Otherwise changes nothing. A port failure while counting ends the poll without a trace.
void showinput(Window& window, SerialPort& clockLine);

// replyWait's tick, once the reply wait is over: stops the wait, then reads up to 36
// characters, shows them in clockReply (see VisibleText), discards everything still waiting and
// makes pcSeconds, clockReply and clockReplyLabel visible. An event handled during the wait may
// have closed or reopened the port: a port found closed, or any port failure while reading, ends
// the read without a trace.
void OnReplyWaitEnd(Window& window, SerialPort& clockLine);

// `raw` with every byte below 0x20 and from 0x7F up, and the backslash itself, written as "\x"
// and two upper-case hex digits (ESC -> "\x1B", "\" -> "\x5C"), so that bytes from the line
// cannot disturb the window or a terminal, and every "\x" shown stands for one byte that came.
// Other characters are kept as they are.
std::string VisibleText(std::string_view raw);

// Waits `interval` milliseconds (or until one of the `count` handles at &handle is
// signalled), then handles the window's pending events once. All tick arithmetic wraps
// modulo 2^32, so a deadline beyond the wrap of TickCount still ends on time. While the
// platform wait returns `count` (woken without a handle or time-out), it waits again for
// the remaining time. Returns the platform wait's result (EventWait::kWaitTimeout when the
// time ran out), or 0 when the deadline had passed before a wait. Interval 0 makes one wait
// with time-out 0; a negative interval counts as 0.
std::int32_t WaitWithEvents(EventWait& wait, std::int32_t interval, std::int32_t& handle,
                            std::uint32_t count);

}  // namespace corvantis
