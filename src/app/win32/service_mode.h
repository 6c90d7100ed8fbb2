// corvantis.exe under the Windows service manager, and the Event Log its warnings go to.
#pragma once

#include <string>
#include <vector>

#include "platform/message_dialog.h"
#include "platform/program_info.h"
#include "platform/status_line.h"
#include "platform/win32/win32_event_source.h"
#include "platform/win32/win32_service_control.h"
#include "program/system_events.h"

namespace corvantis {

// The message of the event table that stands for `event` (its ID with the severity bits).
unsigned long EventMessageId(SystemEvent event);

// Writes the program's events under the Corvantis source. An entry with the same event and
// texts as the one just before it is not written again (a warning shown anew by its handler).
class SystemEventLog {
public:
    void Write(SystemEvent event, const std::vector<std::string>& inserts);

private:
    Win32EventLogWriter m_writer;
    SystemEvent m_lastEvent = SystemEvent::Warning;
    std::vector<std::string> m_lastInserts;
};

// The warning line of the service: each warning becomes an entry of the event it stands for
// (ClassifyWarning).
class EventLogStatusLine : public StatusLine {
public:
    explicit EventLogStatusLine(SystemEventLog& log) : m_log(log) {}
    void ShowWarning(const std::string& text) override;

private:
    SystemEventLog& m_log;
};

// Message boxes of the service (it has no desktop) become warning entries: "<title>: <text>".
class EventLogMessageDialog : public MessageDialog {
public:
    explicit EventLogMessageDialog(SystemEventLog& log) : m_log(log) {}
    void Show(const std::string& text, const std::string& title, MessageIcon icon) override;

private:
    SystemEventLog& m_log;
};

// Runs service `name` on `settingsFolder` (a full path; made with the service's access when
// missing): connects to the service manager, which must have started the process, and runs
// the program without a window until a stop, a shut-down or a pre-shut-down, each ended
// through "Close and Exit" (port closed, settings stored). A resume from sleep re-aligns the
// transmission tick. The control handler only records requests: the tick never waits on the
// service manager. Returns the process exit code: 0 after a clean run, 2 when the service
// manager did not start the process, 1 when the service could not run.
int RunService(const std::string& name, const std::string& settingsFolder);

// The lines telling the operator that `service` holds the settings folder, with its state.
std::string ServiceHoldsFolderNotice(const InstalledService& service);

}  // namespace corvantis
