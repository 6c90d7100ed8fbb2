// One wall clock on the line, as the messages leave it: its address, its display rules and
// the time it shows.
//
// The clock keeps UTC by counting seconds from the last time it received; time-only and rules
// messages set that time. A rules message sets the rules of every clock; an addressed command
// sets the rules of the clock it names (or of every clock, for address 0) and, with the
// set-address flag, gives it the new address. A message with a problem changes nothing. The
// time the clock shows follows from its rules (protocol/daylight_saving.h).
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "protocol/daylight_saving.h"
#include "protocol/display_rules.h"
#include "protocol/wire_decoder.h"

namespace corvantis {

// What one message did to one clock.
struct ClockReaction {
    bool timeSet = false;
    bool rulesSet = false;
    bool addressed = false;         // an addressed command reached this clock
    std::optional<int> newAddress;  // set when the command changed the address
};

class ClockModel {
public:
    // Steady time of the receiver, from any fixed origin.
    using Millis = std::chrono::milliseconds;

    // Warnings a clock's time can raise.
    static constexpr std::chrono::seconds kLateAfter{
        10};  // no time for this long (a command window lasts 6 s)
    static constexpr std::chrono::seconds kJumpTolerance{1};  // received vs running time

    // A clock at `address` (0-99) with no rules and no time yet.
    explicit ClockModel(int address);

    int Address() const { return m_address; }
    const std::optional<DisplayRules>& Rules() const { return m_rules; }

    // Applies `message`, received at `at`, as the clock does.
    ClockReaction Receive(const DecodedMessage& message, Millis at);

    // The UTC the clock keeps at `at`, in seconds since 1970, and whether that second is its
    // leap second; nullopt before its first time.
    struct KeptTime {
        std::int64_t utcSeconds = 0;
        bool leapSecond = false;
    };
    std::optional<KeptTime> KeptUtc(Millis at) const;

    // The time the hands show at `at` (rules of UTC+0 without daylight saving until rules
    // arrive); nullopt before its first time.
    std::optional<ShownTime> Shown(Millis at) const;

    // Plain sentences on what is wrong at `at`: no time yet, time late, the last jump of the
    // time received, local-time messages.
    std::vector<std::string> Warnings(Millis at) const;

private:
    int m_address;
    std::optional<DisplayRules> m_rules;
    std::optional<std::int64_t> m_syncUtc;  // UTC of the last time received
    Millis m_syncAt{0};
    std::optional<std::int64_t> m_lastJump;  // received minus kept, seconds, when beyond
    bool m_localTime = false;                // the last time came in a local time message
};

}  // namespace corvantis
