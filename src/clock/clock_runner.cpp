#include "clock/clock_runner.h"

#include <utility>

namespace corvantis {

namespace {
constexpr std::size_t kRecentEvents = 6;
constexpr const char* kClearScreen = "\x1b[H\x1b[2J";
}  // namespace

ClockRunner::ClockRunner(ByteLine& line, ClockGroup& group, std::ostream& out,
                         std::function<Millis()> steadyNow, bool redraw)
    : m_line(line),
      m_group(group),
      m_out(out),
      m_steadyNow(std::move(steadyNow)),
      m_redraw(redraw) {}

void ClockRunner::Step(Millis wait) {
    const std::string bytes = m_line.Read(wait);
    const Millis now = m_steadyNow();
    std::string replies;
    if (!bytes.empty()) {
        replies = m_group.Receive(bytes, now);
        m_pending = true;
        m_lastBytes = now;
    } else if (m_pending && now - m_lastBytes >= kIdle) {
        replies = m_group.Idle(now);
        m_pending = false;
    }
    if (!replies.empty()) {
        m_line.Write(replies);
    }
    Print(now);
}

void ClockRunner::Print(Millis now) {
    for (std::string& event : m_group.TakeEvents()) {
        if (m_redraw) {
            m_recent.push_back(std::move(event));
            if (m_recent.size() > kRecentEvents) {
                m_recent.pop_front();
            }
        } else {
            m_out << "event: " << event << '\n';
        }
    }
    const bool newMessages = m_group.MessagesDecoded() != m_decodedAtPrint;
    if (now - m_lastPrint < kDescribeEvery || (!m_redraw && !newMessages)) {
        m_out.flush();
        return;
    }
    m_lastPrint = now;
    m_decodedAtPrint = m_group.MessagesDecoded();
    if (m_redraw) {
        m_out << kClearScreen;
    }
    m_out << m_group.Describe(now);
    if (m_redraw) {
        for (const std::string& event : m_recent) {
            m_out << "event: " << event << '\n';
        }
    }
    m_out.flush();
}

}  // namespace corvantis
