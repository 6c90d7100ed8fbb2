// The headless program's account of what happened: one line per event, with an ISO-8601
// timestamp, for a person or a log collector to read.
#pragma once

#include <chrono>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>

#include "platform/forwarding_serial_port.h"
#include "platform/status_line.h"

namespace corvantis {

class Window;

// How much of the clock traffic the log carries. By default a log read after a year holds
// changes, not samples: the first message of each run of sent messages (after start and after
// each stop), the first one of each run that was due but not sent, and one summary an hour.
struct EventLogOptions {
    bool everyMessage = false;  // a line per message sent or due and not sent
    std::chrono::minutes summaryEvery{60};
};

// Writes "<timestamp> <what> <detail>" lines, flushed at once. The timestamp is local time
// with milliseconds and the UTC offset, e.g. 2024-03-09T14:07:04.000-06:00.
class EventLog {
public:
    using Clock = std::function<std::chrono::system_clock::time_point()>;
    explicit EventLog(std::ostream& out, Clock clock = std::chrono::system_clock::now,
                      EventLogOptions options = {});

    void Write(std::string_view what, std::string_view detail);
    // A line that tells of a problem: with journal priorities on, it starts with "<4>", the
    // journal's warning priority; otherwise as Write.
    void WriteWarning(std::string_view what, std::string_view detail);
    // Whether warning lines carry the journal's priority prefix.
    void SetJournalPriorities(bool on) { m_priorities = on; }

    // Asks for a line per message from now on (the settings are read after the log exists).
    void LogEveryMessage(bool every) { m_options.everyMessage = every; }

    // Logs every reply the window shows (each new text of clockReply that is not empty).
    void WatchReplies(Window& w);

    // Logs the messages the transmission tick builds when a transmission is due but does not
    // send ("built [...] not sent"), so a run without a port still shows what would go out;
    // sent messages are logged by LoggingSerialPort. Without everyMessage only the first of
    // each run of either kind is logged. Also writes the hourly "summary" line. Watches the
    // tick beside its handler, before or after the handler is attached.
    void WatchMessages(Window& w);

    // "stopped" with the totals of the run; for the end of the program.
    void WriteStopped();

    static std::string Timestamp(std::chrono::system_clock::time_point at);

private:
    friend class LoggingSerialPort;

    enum class Outcome { None, Sent, NotSent };
    struct Counts {
        long sent = 0;
        long notSent = 0;
        long replies = 0;
    };

    // Counts one message of `outcome` and logs it when it is the first of its run or every
    // message is asked for.
    void Note(Outcome outcome, std::string_view what, const std::string& detail);
    void SummariseWhenDue();
    static std::string Totals(const Counts& counts);

    std::ostream& m_out;
    Clock m_clock;
    EventLogOptions m_options;
    bool m_priorities = false;
    bool m_builtThisTick = false;
    bool m_sentThisTick = false;
    std::string m_lastRateMark;
    Outcome m_lastOutcome = Outcome::None;
    Counts m_sinceSummary;
    Counts m_total;
    std::chrono::system_clock::time_point m_lastSummary;
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

// A change of the not-sending notice (NotSendingWatch) as the programs without a window say
// it: on the warning stream, and in the log as "not-sending <notice>", or as "sending" with
// "Sending to the clocks again." when nothing stops the messages any more.
void SayNotSending(const std::string& notice, StatusLine& status, EventLog& log);

// What the standing warnings say of the PC clock, as lines of `log`: a warning while it is not
// synchronised, an ordinary line once it is again.
std::function<void(const std::string&)> PcClockLines(EventLog& log);

}  // namespace corvantis
