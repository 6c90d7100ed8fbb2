// The events an administrator's log (the Windows Event Log) is given: each warning the program
// shows, sorted by what it is about, and the service's own start and stop.
#pragma once

#include <string_view>

namespace corvantis {

// One message of the log's message table each.
enum class SystemEvent {
    ServiceStarted,        // the service runs; settings folder named
    ServiceStopped,        // the service ended through "Close and Exit", files stored
    ServiceFailed,         // the service could not run at all
    SendingStopped,        // nothing reaches the clocks (no port, port refused, buffer full)
    SendingResumed,        // messages go out again
    PortLost,              // the open port went away (adapter pulled)
    PortBack,              // the lost port is open again
    SettingRefused,        // a settings file could not be written
    RulesDiffer,           // the display rules do not match this PC's time zone
    ClockNotSynchronised,  // this PC's clock is not synchronised, or its error is large
    Fault,                 // an unexpected failure in a handler, passed over
    Warning,               // any other warning
};

enum class EventSeverity { Information, Warning, Error };

// The event a warning-line text stands for, read from its wording (the texts of the
// reconnecting port, the transmission tick, the settings files, the start-up notice and the
// handler guard). An empty text is no event: Warning is returned, the caller skips it.
SystemEvent ClassifyWarning(std::string_view text);

// Errors stop the clocks being set; warnings let them drift; the rest is information.
EventSeverity SeverityOf(SystemEvent event);

}  // namespace corvantis
