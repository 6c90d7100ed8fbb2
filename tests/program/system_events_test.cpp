#include "program/system_events.h"

#include <gtest/gtest.h>

namespace corvantis {
namespace {

// Each warning the program shows lands in the log as the event it is about, with the
// severity an administrator filters on.
TEST(SystemEvents, WarningsAreSortedByWhatTheyAreAbout) {
    struct Row {
        const char* text;
        SystemEvent event;
        EventSeverity severity;
    };
    const Row rows[] = {
        {"Not sending to the clocks: no serial port is chosen. The port is chosen in ...",
         SystemEvent::SendingStopped, EventSeverity::Error},
        {"Not sending to the clocks: COM5 could not be opened (access denied). ...",
         SystemEvent::SendingStopped, EventSeverity::Error},
        {"Clock messages are not going out: output buffer full. Each message is dropped ...",
         SystemEvent::SendingStopped, EventSeverity::Error},
        {"Clock messages are going out again; 4 were dropped while ...",
         SystemEvent::SendingResumed, EventSeverity::Information},
        {"COM5 went away (device removed?): not sending; trying to reopen it",
         SystemEvent::PortLost, EventSeverity::Error},
        {"COM12 is back: sending again", SystemEvent::PortBack, EventSeverity::Information},
        // A port that was never open at start-up is tried until it comes.
        {"COM5 cannot be opened (file not found): not sending; trying it again until it opens",
         SystemEvent::PortLost, EventSeverity::Error},
        {"COM5 is open: sending", SystemEvent::PortBack, EventSeverity::Information},
        {"Sending to the clocks again.", SystemEvent::SendingResumed, EventSeverity::Information},
        {"Settings not saved: C:\\ProgramData\\Corvantis\\hall\\data.ini: disk full",
         SystemEvent::SettingRefused, EventSeverity::Warning},
        {"Clocks will show 1 hour ahead of this PC from 14 March 2027 to 4 April 2027",
         SystemEvent::RulesDiffer, EventSeverity::Warning},
        {"This PC's clock is not synchronised to a time server: the clocks show its time ...",
         SystemEvent::ClockNotSynchronised, EventSeverity::Warning},
        {"Unexpected failure in Timer1: bad_alloc; the program goes on.", SystemEvent::Fault,
         EventSeverity::Error},
        // Words that only look alike stay plain warnings.
        {"This PC's time zone cannot be read: no such file", SystemEvent::Warning,
         EventSeverity::Warning},
        {"COM5 settings kept", SystemEvent::Warning, EventSeverity::Warning},
        {"", SystemEvent::Warning, EventSeverity::Warning},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ClassifyWarning(row.text), row.event) << row.text;
        EXPECT_EQ(SeverityOf(ClassifyWarning(row.text)), row.severity) << row.text;
    }
}

}  // namespace
}  // namespace corvantis
