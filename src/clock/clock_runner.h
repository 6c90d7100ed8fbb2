// The loop of the clock emulator: bytes from the line into the group, acknowledgements back,
// the group in words on a text stream.
#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <ostream>
#include <string>

#include "clock/clock_group.h"
#include "platform/byte_line.h"

namespace corvantis {

class ClockRunner {
public:
    using Millis = ClockModel::Millis;

    // How long the line must stay quiet before a waiting local time message is taken.
    static constexpr Millis kIdle{300};
    // At most one description of the group per this interval.
    static constexpr Millis kDescribeEvery{1000};

    // `steadyNow` reads a steady clock. With `redraw` (a terminal) each description replaces
    // the screen and the last events stay under it; otherwise events and descriptions are
    // printed as lines, a description only after a message arrived.
    ClockRunner(ByteLine& line, ClockGroup& group, std::ostream& out,
                std::function<Millis()> steadyNow, bool redraw);

    // Reads the line for up to `wait`, applies what came, answers and prints.
    // Raises Failure when the line is gone.
    void Step(Millis wait);

private:
    void Print(Millis now);

    ByteLine& m_line;
    ClockGroup& m_group;
    std::ostream& m_out;
    std::function<Millis()> m_steadyNow;
    bool m_redraw;
    bool m_pending = false;  // bytes came since the line was last quiet
    Millis m_lastBytes{0};
    Millis m_lastPrint{-kDescribeEvery};
    std::size_t m_decodedAtPrint = 0;
    std::deque<std::string> m_recent;  // the last events, for the redrawn screen
};

}  // namespace corvantis
