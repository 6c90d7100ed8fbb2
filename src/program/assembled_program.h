// One running program put together from the parts its OS and its view give: the same wiring of
// port, settings, handlers, standing warnings, not-sending watch and status record for the
// window, the console and the service alike.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "form/window.h"
#include "platform/clock_sync.h"
#include "platform/event_wait.h"
#include "platform/file_replacer.h"
#include "platform/message_dialog.h"
#include "platform/port_map.h"
#include "platform/port_probe.h"
#include "platform/profile_store.h"
#include "platform/program_info.h"
#include "platform/registry.h"
#include "platform/serial_port.h"
#include "platform/status_line.h"
#include "platform/time_zone.h"
#include "platform/timer_service.h"
#include "platform/wall_clock.h"
#include "platform/window_host.h"
#include "program/not_sending_watch.h"
#include "program/program.h"
#include "program/standing_warnings.h"
#include "program/status_keeper.h"
#include "serial/port_reconnect.h"
#include "settings/ini.h"

namespace corvantis {

// What the OS gives a program. Each must outlive the program assembled on it.
struct ProgramSystem {
    WallClock& clock;
    SerialPort& port;  // the clocks' line as the OS opens it
    PortMap& ports;    // the devices `port` and `probe` open; the [Ports] overrides go into it
    ProfileStore& profile;
    PortProbe& probe;
    EventWait& wait;
    Registry& registry;
    // The program's own timers: retrying a lost port, the status record, the PC clock check.
    TimerService& timers;
    // The window's timer controls; the same service as `timers` unless the OS serves them apart.
    TimerService& windowTimers;
    const TimeZone& zone;
    const ClockSyncProbe& clockSync;
    FileReplacer& files;
};

// What the view (a window, a console, a service's Event Log) gives it. Each must outlive the
// program assembled on it.
struct ProgramView {
    Window& window;
    MessageDialog& dialog;
    StatusLine& status;
    WindowHost& host;
};

// A port layered over the one the program sends through, adding one concern of the view (the
// console's log of messages sent); it must forward every operation to `port`.
using PortTap = std::function<std::unique_ptr<SerialPort>(SerialPort& port)>;

struct ProgramParts {
    ProgramSystem system;
    ProgramView view;
    ProgramInfo info;
    StatusIdentity identity;  // who writes the status record: "window", "headless", "service"
    std::string metricsPath;  // the metrics file beside the status record; empty: none
    PortTap tap;              // empty: no layer
};

// How the view tells the standing concerns. Every member may be empty (nothing said).
struct ProgramVoices {
    // Runs once the program has started, before the warnings and the watch are made.
    std::function<void()> started;
    // The not-sending notice at start, when something stops the messages (start-up has shown
    // its own notice on the status line already).
    std::function<void(const std::string& notice)> notSendingAtStart;
    // Each change of the not-sending notice while running; empty text: sending again.
    NotSendingWatch::Changed notSending;
    // Each change of the display rules' and of the PC clock's sentence (StandingWarnings).
    StandingWarnings::Show rules;
    StandingWarnings::Show clockSync;
};

// The program over `parts`: the port retried when lost (ReconnectingPort), the tap over it,
// the settings files with the [Ports] overrides read into the port map before anything opens
// a port, the status record counting what goes out, and the window's handlers. Nothing runs
// until Run.
class AssembledProgram {
public:
    explicit AssembledProgram(const ProgramParts& parts);
    AssembledProgram(const AssembledProgram&) = delete;
    AssembledProgram& operator=(const AssembledProgram&) = delete;

    SettingsFiles& Settings() { return m_settings; }
    Program& program() { return m_program; }
    Window& window() { return m_program.window(); }
    // The status record as it stands.
    StatusRecord Status() const { return m_keeper.Current(); }

    // Starts the program (load handler, then its timers), its standing warnings and
    // not-sending watch speaking through `voices`, and its status record; then runs
    // `runLoop` until the program ends, writes the last status record and returns what
    // `runLoop` returned. Once only.
    int Run(const ProgramVoices& voices, const std::function<int()>& runLoop);

private:
    void Start(const ProgramVoices& voices);

    ProgramSystem m_system;
    ProgramView m_view;
    ReconnectingPort m_reconnecting;
    std::unique_ptr<SerialPort> m_tap;
    SettingsFiles m_settings;
    StatusKeeper m_keeper;
    Program m_program;
    std::unique_ptr<StandingWarnings> m_warnings;
    std::unique_ptr<NotSendingWatch> m_notSending;
};

// The voices of a window with one warning line: every concern on `line`.
ProgramVoices WarningLineVoices(CombinedWarningLine& line);

}  // namespace corvantis
