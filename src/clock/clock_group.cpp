#include "clock/clock_group.h"

#include <string>

namespace corvantis {

namespace {

constexpr const char* kMonths[12] = {"January",   "February", "March",    "April",
                                     "May",       "June",     "July",     "August",
                                     "September", "October",  "November", "December"};
constexpr const char* kWeekdays[7] = {"Thursday", "Friday",  "Saturday", "Sunday",
                                      "Monday",   "Tuesday", "Wednesday"};

std::string TwoDigits(int value) {
    return std::string(1, static_cast<char>('0' + value / 10 % 10)) +
           static_cast<char>('0' + value % 10);
}

// Control characters and bytes beyond ASCII as "\xNN", so a log line stays one line.
std::string Printable(std::string_view bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7f) {
            text += static_cast<char>(c);
        } else {
            text += "\\x";
            text += kHex[c >> 4];
            text += kHex[c & 0xf];
        }
    }
    return text;
}

}  // namespace

std::string ShownTimeInWords(const DateTime& time) {
    const std::int64_t days = DaysFromCivil(time.year, time.month, time.day);
    const char* weekday = kWeekdays[((days % 7) + 7) % 7];
    const char* month = time.month >= 1 && time.month <= 12 ? kMonths[time.month - 1] : "?";
    return TwoDigits(time.hour) + ":" + TwoDigits(time.minute) + ":" + TwoDigits(time.second) +
           " " + weekday + " " + std::to_string(time.day) + " " + month + " " +
           std::to_string(time.year);
}

ClockGroup::ClockGroup(const std::vector<int>& addresses, bool acknowledge)
    : m_acknowledge(acknowledge) {
    for (int address : addresses) {
        m_clocks.emplace_back(address);
    }
}

std::string ClockGroup::Receive(std::string_view bytes, Millis at) {
    return Apply(m_decoder.Feed(bytes), at);
}

std::string ClockGroup::Idle(Millis at) {
    return Apply(m_decoder.Flush(), at);
}

std::string ClockGroup::Apply(const std::vector<DecodeEvent>& events, Millis at) {
    std::string replies;
    for (const DecodeEvent& event : events) {
        if (event.skipped) {
            ++m_skippedRuns;
            m_skippedBytes += event.skipped->bytes.size();
            m_events.push_back("skipped " + std::to_string(event.skipped->bytes.size()) +
                               " byte(s), " + event.skipped->reason + ": \"" +
                               Printable(event.skipped->bytes) + "\"");
            continue;
        }
        if (!event.message) {
            continue;
        }
        const DecodedMessage& message = *event.message;
        ++m_decoded;
        if (!message.Sound()) {
            ++m_refused;
            std::string line = std::string("refused a ") + KindName(message.kind) + " \"" +
                               Printable(message.text) + "\":";
            for (const std::string& problem : message.problems) {
                line += " " + problem + ";";
            }
            line.pop_back();
            m_events.push_back(line);
            continue;
        }
        for (ClockModel& clock : m_clocks) {
            const int before = clock.Address();
            const std::optional<DisplayRules> rulesBefore = clock.Rules();
            const ClockReaction reaction = clock.Receive(message, at);
            if (reaction.newAddress) {
                m_events.push_back("clock " + std::to_string(before) + " is now clock " +
                                   std::to_string(*reaction.newAddress));
            } else if (reaction.rulesSet && (reaction.addressed || rulesBefore != clock.Rules())) {
                m_events.push_back("clock " + std::to_string(before) +
                                   " took new rules: " + RulesInWords(message.rules));
            }
            if (reaction.addressed && m_acknowledge) {
                replies += "ACK " + TwoDigits(before) +
                           (reaction.newAddress ? " ADDRESS " + TwoDigits(*reaction.newAddress)
                                                : std::string(" RULES")) +
                           "\r\n";
            }
        }
    }
    return replies;
}

std::vector<std::string> ClockGroup::TakeEvents() {
    std::vector<std::string> events;
    events.swap(m_events);
    return events;
}

std::string ClockGroup::Describe(Millis at) const {
    std::string text;
    for (const ClockModel& clock : m_clocks) {
        text += "clock " + std::to_string(clock.Address()) + ": ";
        if (const auto shown = clock.Shown(at)) {
            text += ShownTimeInWords(shown->time);
            text += shown->leapSecond       ? " (leap second)"
                    : shown->daylightSaving ? " (daylight saving)"
                                            : " (standard time)";
        } else {
            text += "--:--:--";
        }
        text += "\n  ";
        text += clock.Rules() ? RulesInWords(*clock.Rules()) : "no display rules yet";
        text += "\n";
        for (const std::string& warning : clock.Warnings(at)) {
            text += "  warning: " + warning + "\n";
        }
    }
    text += "line: " + std::to_string(m_decoded) + " message(s), " + std::to_string(m_refused) +
            " refused, " + std::to_string(m_skippedBytes) + " byte(s) skipped in " +
            std::to_string(m_skippedRuns) + " run(s)\n";
    return text;
}

}  // namespace corvantis
