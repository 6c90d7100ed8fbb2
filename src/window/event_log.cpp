#include "window/event_log.h"

#include <cstdint>
#include <cstdio>
#include <ctime>

#include "platform/date_time.h"
#include "window/window.h"

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
    w.Text3.AddObserver([this, &w](ControlProperty property) {
        if (property == ControlProperty::Text && !w.Text3.Text().empty()) {
            Write("reply", "[" + w.Text3.Text() + "]");
        }
    });
}

void EventLog::WatchMessages(Window& w) {
    w.Text1.AddObserver([this](ControlProperty property) {
        if (property == ControlProperty::Text) {
            m_builtThisTick = true;
        }
    });
    w.SendUDP.AddObserver([this, &w](ControlProperty property) {
        if (property != ControlProperty::Ticked) {
            return;
        }
        if (m_builtThisTick && !m_sentThisTick) {
            Write("built", "[" + w.Text1.Text() + "] not sent");
        }
        m_builtThisTick = false;
        m_sentThisTick = false;
    });
}

void LoggingSerialPort::OnOpenChanged(bool open) {
    m_log.Write(open ? "port-opened" : "port-closed", "COM" + std::to_string(CommPort()));
    NotifyOpenChanged(open);
}

void LoggingSerialPort::Output(std::string_view text) {
    Inner().Output(text);
    m_log.m_sentThisTick = true;
    m_log.Write("sent", "[" + std::string(text) + "]");
}

}  // namespace corvantis
