// The headless program's account of what happened: one line per event, with an ISO-8601
// timestamp, for a person or a log collector to read.
#pragma once

#include <chrono>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>

#include "platform/forwarding_serial_port.h"

namespace corvantis {

class Window;

// Writes "<timestamp> <what> <detail>" lines, flushed at once. The timestamp is local time
// with milliseconds and the UTC offset, e.g. 2024-03-09T14:07:04.000-06:00.
class EventLog {
public:
    using Clock = std::function<std::chrono::system_clock::time_point()>;
    explicit EventLog(std::ostream& out, Clock clock = std::chrono::system_clock::now)
        : m_out(out), m_clock(std::move(clock)) {}

    void Write(std::string_view what, std::string_view detail);
    // A line that tells of a problem: with journal priorities on, it starts with "<4>", the
    // journal's warning priority; otherwise as Write.
    void WriteWarning(std::string_view what, std::string_view detail);
    // Whether warning lines carry the journal's priority prefix.
    void SetJournalPriorities(bool on) { m_priorities = on; }

    // Logs every reply the window shows (each new text of Text3 that is not empty).
    void WatchReplies(Window& w);

    // Logs each message the transmission tick builds but does not send ("built [...] not
    // sent"), so a run without a port still shows what would go out; sent messages are
    // logged by LoggingSerialPort. Watches the tick beside its handler, before or after the
    // handler is attached.
    void WatchMessages(Window& w);

    static std::string Timestamp(std::chrono::system_clock::time_point at);

private:
    friend class LoggingSerialPort;

    std::ostream& m_out;
    Clock m_clock;
    bool m_priorities = false;
    bool m_builtThisTick = false;
    bool m_sentThisTick = false;
};

// A serial port that tells the log each message it sends (as it went on the wire, blanks
// kept between brackets) and each time it opens or closes; everything else passes through.
class LoggingSerialPort : public ForwardingSerialPort {
public:
    LoggingSerialPort(SerialPort& port, EventLog& log) : ForwardingSerialPort(port), m_log(log) {}

    void Output(std::string_view text) override;

private:
    void OnOpenChanged(bool open) override;

    EventLog& m_log;
};

}  // namespace corvantis
