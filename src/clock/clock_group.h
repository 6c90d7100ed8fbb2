// The clocks of one line, as a building has them: a decoder in front of a group of clock
// models, the acknowledgements they send back, and the group in words for a terminal.
//
// Acknowledgement (this emulator's own format; the clocks' protocol defines none): each clock
// that an addressed command reaches answers with one line,
//     "ACK aa RULES\r\n"          rules set, address kept
//     "ACK aa ADDRESS nn\r\n"     rules set and address changed to nn
// where aa is the clock's address before the command and nn the new one, two digits each.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "clock/clock_model.h"
#include "protocol/wire_decoder.h"

namespace corvantis {

class ClockGroup {
public:
    using Millis = ClockModel::Millis;

    // One clock per address (0-99), in the order given.
    ClockGroup(const std::vector<int>& addresses, bool acknowledge);

    // Decodes `bytes` received at `at`, applies every message to every clock and returns the
    // acknowledgements to send back (empty without acknowledgements).
    std::string Receive(std::string_view bytes, Millis at);

    // The line went quiet at `at`: ends a waiting local time message.
    std::string Idle(Millis at);

    const std::vector<ClockModel>& Clocks() const { return m_clocks; }

    // Plain lines of what happened since the last call: messages refused, bytes skipped,
    // addresses changed. Cleared by the call.
    std::vector<std::string> TakeEvents();

    // Messages decoded, runs of bytes skipped, messages refused since the start.
    std::size_t MessagesDecoded() const { return m_decoded; }
    std::size_t SkippedRuns() const { return m_skippedRuns; }
    std::size_t SkippedBytes() const { return m_skippedBytes; }
    std::size_t Refused() const { return m_refused; }

    // The group in words at `at`, one block per clock:
    //   clock 5: 08:07:06 Saturday 9 March 2024 (standard time)
    //     UTC-6, daylight saving from the second Sunday of March to ...
    //     warning: late: no time for 7 s
    // then a line with the counts of the line.
    std::string Describe(Millis at) const;

private:
    std::string Apply(const std::vector<DecodeEvent>& events, Millis at);

    WireDecoder m_decoder;
    std::vector<ClockModel> m_clocks;
    bool m_acknowledge;
    std::vector<std::string> m_events;
    std::size_t m_decoded = 0;
    std::size_t m_skippedRuns = 0;
    std::size_t m_skippedBytes = 0;
    std::size_t m_refused = 0;
};

// "08:07:06 Saturday 9 March 2024"; a leap second reads "23:59:60".
std::string ShownTimeInWords(const DateTime& time);

}  // namespace corvantis
