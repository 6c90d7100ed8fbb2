#include "program/system_events.h"

namespace corvantis {

namespace {

bool StartsWith(std::string_view text, std::string_view head) {
    return text.substr(0, head.size()) == head;
}

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

}  // namespace

SystemEvent ClassifyWarning(std::string_view text) {
    struct Wording {
        std::string_view head;  // the text starts with it (empty: any start)
        std::string_view part;  // and holds it (empty: anything)
        SystemEvent event;
    };
    // The first row that fits wins; the port rows name the port first ("COM5 went away").
    static constexpr Wording kWordings[] = {
        {"Not sending to the clocks", "", SystemEvent::SendingStopped},
        {"Clock messages are not going out", "", SystemEvent::SendingStopped},
        {"Clock messages are going out again", "", SystemEvent::SendingResumed},
        {"Sending to the clocks again", "", SystemEvent::SendingResumed},
        {"COM", " went away", SystemEvent::PortLost},
        {"COM", " cannot be opened", SystemEvent::PortLost},
        {"COM", " is back", SystemEvent::PortBack},
        {"COM", " is open: sending", SystemEvent::PortBack},
        {"Settings not saved", "", SystemEvent::SettingRefused},
        {"Unexpected failure", "", SystemEvent::Fault},
        {"Clocks will show", "", SystemEvent::RulesDiffer},
        {"This PC's clock", "", SystemEvent::ClockNotSynchronised},
    };
    for (const Wording& wording : kWordings) {
        if (StartsWith(text, wording.head) && Contains(text, wording.part)) {
            return wording.event;
        }
    }
    return SystemEvent::Warning;
}

EventSeverity SeverityOf(SystemEvent event) {
    switch (event) {
        case SystemEvent::ServiceStarted:
        case SystemEvent::ServiceStopped:
        case SystemEvent::SendingResumed:
        case SystemEvent::PortBack:
            return EventSeverity::Information;
        case SystemEvent::ServiceFailed:
        case SystemEvent::SendingStopped:
        case SystemEvent::PortLost:
        case SystemEvent::Fault:
            return EventSeverity::Error;
        case SystemEvent::SettingRefused:
        case SystemEvent::RulesDiffer:
        case SystemEvent::ClockNotSynchronised:
        case SystemEvent::Warning:
            break;
    }
    return EventSeverity::Warning;
}

}  // namespace corvantis
