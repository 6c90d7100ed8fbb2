#include "ui/console/event_log.h"

#include <cstdint>
#include <cstdio>
#include <ctime>

#include "form/window.h"
#include "platform/date_time.h"

namespace corvantis {

std::string EventLog::Timestamp(std::chrono::system_clock::time_point at) {
    using namespace std::chrono;
    const auto seconds = time_point_cast<std::chrono::seconds>(at);
    const auto millis = duration_cast<milliseconds>(at - seconds).count();
    const std::time_t t = system_clock::to_time_t(seconds);
    // The local wall time read as if it were UTC, less the instant: the offset in force then,
    // daylight saving included.
    const DateTime local = LocalDateTime(std::int64_t{t});
    const std::int64_t localAsUtc = ToEpochSeconds(local);
    const long offsetMinutes = static_cast<long>((localAsUtc - std::int64_t{t}) / 60);
    char text[64];
    const long absolute = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02ld:%02ld", local.year,
                  local.month, local.day, local.hour, local.minute, local.second,
                  static_cast<int>(millis), offsetMinutes < 0 ? '-' : '+', absolute / 60,
                  absolute % 60);
    return text;
}

EventLog::EventLog(std::ostream& out, Clock clock, EventLogOptions options)
    : m_out(out), m_clock(std::move(clock)), m_options(options), m_lastSummary(m_clock()) {}

void EventLog::Write(std::string_view what, std::string_view detail) {
    m_out << Timestamp(m_clock()) << ' ' << what;
    if (!detail.empty()) {
        m_out << ' ' << detail;
    }
    m_out << std::endl;
}

void EventLog::WriteWarning(std::string_view what, std::string_view detail) {
    if (m_priorities) {
        m_out << "<4>";
    }
    Write(what, detail);
}

void EventLog::WatchReplies(Window& w) {
    w.clockReply.AddObserver([this, &w](ControlProperty property) {
        if (property == ControlProperty::Text && !w.clockReply.Text().empty()) {
            ++m_sinceSummary.replies;
            ++m_total.replies;
            Write("reply", "[" + w.clockReply.Text() + "]");
        }
    });
}

void EventLog::WatchMessages(Window& w) {
    // A window newly watched starts runs of its own.
    m_lastOutcome = Outcome::None;
    m_lastRateMark.clear();
    w.sentMessage.AddObserver([this](ControlProperty property) {
        if (property == ControlProperty::Text) {
            m_builtThisTick = true;
        }
    });
    w.sendTick.AddObserver([this, &w](ControlProperty property) {
        if (property != ControlProperty::Ticked) {
            return;
        }
        // A tick that found no transmission due (the rate's slice unchanged) is neither; a
        // tick that never marked a rate slice counts each message built as due.
        const bool due = w.lastRateMark.empty() || w.lastRateMark != m_lastRateMark;
        m_lastRateMark = w.lastRateMark;
        if (m_builtThisTick && !m_sentThisTick && due) {
            Note(Outcome::NotSent, "built", "[" + w.sentMessage.Text() + "] not sent");
        }
        m_builtThisTick = false;
        m_sentThisTick = false;
        SummariseWhenDue();
    });
}

void EventLog::Note(Outcome outcome, std::string_view what, const std::string& detail) {
    long& count = outcome == Outcome::Sent ? m_sinceSummary.sent : m_sinceSummary.notSent;
    ++count;
    ++(outcome == Outcome::Sent ? m_total.sent : m_total.notSent);
    if (m_options.everyMessage || outcome != m_lastOutcome) {
        Write(what, detail);
    }
    m_lastOutcome = outcome;
}

std::string EventLog::Totals(const Counts& counts) {
    return std::to_string(counts.sent) + " messages sent, " + std::to_string(counts.notSent) +
           " due and not sent, " + std::to_string(counts.replies) + " replies";
}

void EventLog::SummariseWhenDue() {
    const auto now = m_clock();
    if (now - m_lastSummary < m_options.summaryEvery) {
        return;
    }
    Write("summary", Totals(m_sinceSummary) + " since " + Timestamp(m_lastSummary));
    m_sinceSummary = Counts{};
    m_lastSummary = now;
}

void EventLog::WriteStopped() {
    Write("stopped", Totals(m_total) + " in this run");
}

void LoggingSerialPort::OnOpenChanged(bool open) {
    m_log.Write(open ? "port-opened" : "port-closed", "COM" + std::to_string(CommPort()));
    NotifyOpenChanged(open);
}

void LoggingSerialPort::Output(std::string_view text) {
    Inner().Output(text);
    m_log.m_sentThisTick = true;
    m_log.Note(EventLog::Outcome::Sent, "sent", "[" + std::string(text) + "]");
}

void SayNotSending(const std::string& notice, StatusLine& status, EventLog& log) {
    if (notice.empty()) {
        status.ShowWarning("Sending to the clocks again.");
        log.Write("sending", "Sending to the clocks again.");
        return;
    }
    status.ShowWarning(notice);
    log.Write("not-sending", notice);
}

std::function<void(const std::string&)> PcClockLines(EventLog& log) {
    return [&log](const std::string& text) {
        if (text.empty()) {
            log.Write("pc-clock", "This PC's clock is synchronised again.");
        } else {
            log.WriteWarning("pc-clock", text);
        }
    };
}

}  // namespace corvantis
