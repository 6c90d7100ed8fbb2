#include "clock/clock_model.h"

#include <cstdlib>

namespace corvantis {

ClockModel::ClockModel(int address) : m_address(address) {}

ClockReaction ClockModel::Receive(const DecodedMessage& message, Millis at) {
    ClockReaction reaction;
    if (!message.Sound()) {
        return reaction;
    }
    const bool carriesTime = message.kind != MessageKind::AddressedCommand;
    if (carriesTime) {
        const std::int64_t received = ToEpochSeconds(message.time);
        if (const auto kept = KeptUtc(at)) {
            const std::int64_t jump = received - kept->utcSeconds;
            if (std::llabs(jump) > kJumpTolerance.count()) {
                m_lastJump = jump;
            }
        }
        m_syncUtc = received;
        m_syncAt = at;
        m_localTime = message.kind == MessageKind::LocalTime;
        reaction.timeSet = true;
    }
    if (message.kind == MessageKind::Rules) {
        m_rules = message.rules;
        reaction.rulesSet = true;
    }
    if (message.kind == MessageKind::AddressedCommand &&
        (message.currentAddress == 0 || message.currentAddress == m_address)) {
        reaction.addressed = true;
        m_rules = message.rules;
        reaction.rulesSet = true;
        if (message.setAddressFlag == 1) {
            m_address = message.newAddress;
            reaction.newAddress = m_address;
        }
    }
    return reaction;
}

std::optional<ClockModel::KeptTime> ClockModel::KeptUtc(Millis at) const {
    if (!m_syncUtc) {
        return std::nullopt;
    }
    const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(at - m_syncAt);
    KeptTime kept{*m_syncUtc + elapsed.count(), false};
    // The clock counts seconds: one inserted after the leap instant holds the count back.
    const std::int64_t leap = LeapSecondInstant(m_rules ? m_rules->leapYear : 0);
    if (*m_syncUtc < leap && kept.utcSeconds >= leap) {
        if (kept.utcSeconds == leap) {
            kept.leapSecond = true;
        } else {
            kept.utcSeconds -= 1;
        }
    }
    return kept;
}

std::optional<ShownTime> ClockModel::Shown(Millis at) const {
    const auto kept = KeptUtc(at);
    if (!kept) {
        return std::nullopt;
    }
    return ShowTime(m_rules.value_or(DisplayRules{}), kept->utcSeconds, kept->leapSecond);
}

std::vector<std::string> ClockModel::Warnings(Millis at) const {
    std::vector<std::string> warnings;
    if (!m_syncUtc) {
        warnings.push_back("no time received yet");
        return warnings;
    }
    const auto silence = std::chrono::duration_cast<std::chrono::seconds>(at - m_syncAt);
    if (silence > kLateAfter) {
        warnings.push_back("late: no time for " + std::to_string(silence.count()) + " s");
    }
    if (m_lastJump) {
        warnings.push_back("time jumped by " + std::string(*m_lastJump > 0 ? "+" : "") +
                           std::to_string(*m_lastJump) + " s");
    }
    if (m_localTime) {
        warnings.push_back("local time received: the clock adds its offset to it");
    }
    if (!m_rules) {
        warnings.push_back("no display rules received yet");
    }
    return warnings;
}

}  // namespace corvantis
