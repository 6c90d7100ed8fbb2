#include "app/headless/headless_run.h"

#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <iostream>
#include <optional>
#include <string>

#include "app/headless/headless_timers.h"
#include "app/status_command.h"
#include "platform/instance_lock.h"
#include "platform/port_map.h"
#include "platform/posix/event_loop.h"
#include "platform/posix/ini_file_store.h"
#include "platform/posix/journal_stream.h"
#include "platform/posix/nonblocking_output.h"
#include "platform/posix/posix_clock_sync.h"
#include "platform/posix/posix_file_replacer.h"
#include "platform/posix/posix_port_probe.h"
#include "platform/posix/posix_time_zone.h"
#include "platform/posix/posix_wall_clock.h"
#include "platform/posix/termios_serial_port.h"
#include "platform/posix/xdg_autostart_registry.h"
#include "program/not_sending_watch.h"
#include "program/program.h"
#include "program/rule_check_report.h"
#include "program/standing_warnings.h"
#include "program/status_keeper.h"
#include "serial/port_reconnect.h"
#include "settings/key_table.h"
#include "settings/settings_folder.h"
#include "ui/console/console.h"
#include "ui/console/event_log.h"

namespace corvantis {
namespace {

// The running executable's folder and name (without extension), from /proc/self/exe; the
// name it was started as when that cannot be read.
ProgramInfo DescribeProgram(const Options& options, const char* argv0) {
    std::error_code error;
    std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        path = std::filesystem::absolute(argv0, error);
    }
    ProgramInfo info;
    info.executableFolder = path.parent_path().string();
    info.executableBaseName = path.stem().string();
    info.settingsFolder =
        PickSettingsFolder(options.settingsDir, info.executableFolder, SystemFolderChecks());
    return info;
}

// Operator words from standard input, one a line. The end of input (or a read error) stops
// the watching; the program keeps running.
class StdinWords {
public:
    StdinWords(posix::EventLoop& loop, Window& window) : m_loop(loop), m_lines(window, std::cerr) {
        m_watch = m_loop.Watch(STDIN_FILENO, POLLIN, [this](short) { ReadAvailable(); });
    }
    ~StdinWords() { m_loop.Unwatch(m_watch); }
    StdinWords(const StdinWords&) = delete;
    StdinWords& operator=(const StdinWords&) = delete;

private:
    void ReadAvailable() {
        char buffer[4096];
        const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (count <= 0) {
            m_loop.Unwatch(m_watch);
            return;
        }
        m_lines.Feed(std::string_view(buffer, static_cast<std::size_t>(count)));
    }

    posix::EventLoop& m_loop;
    OperatorLines m_lines;
    int m_watch = 0;
};

// The [Ports] overrides count before anything probes or opens a port.
void ApplyPortOverrides(PortMap& ports, SettingsFiles& settings) {
    for (const auto& [number, path] : ReadPortOverrides(settings)) {
        ports.SetOverride(number, path);
    }
}

// --check-rules: the rule check of the stored display rules for `years` years.
int RunRuleCheck(const ProgramInfo& info, int years) {
    PosixWallClock clock;
    posix::IniFileStore profile;
    StderrStatusLine status;
    SettingsFiles settings(profile, status, info.settingsFolder);
    return PrintRuleCheck(settings, clock, posix::PosixTimeZone(), years, std::cout, std::cerr);
}

// The program on the loop until "Close and Exit", its status kept in the settings folder (and
// in `options.metricsFile` when given); --log-messages logs every clock message.
int RunOnLoop(const ProgramInfo& info, const Options& options) {
    posix::EventLoop loop;
    PortMap ports = PortMap::SystemDefaults();
    PosixWallClock clock;
    posix::TermiosSerialPort device(ports, &loop);
    posix::IniFileStore profile;
    PosixPortProbe probe(ports);
    posix::LoopEventWait wait(loop);
    posix::XdgAutostartRegistry registry(posix::XdgAutostartRegistry::DefaultFolder());
    posix::LoopTimerService loopTimers(loop);
    HeadlessTimerService timers(loopTimers, device);
    // Under systemd, warnings and errors carry the journal's priorities.
    StderrMessageDialog dialog(posix::GoesToJournal(STDERR_FILENO));
    StderrStatusLine status(posix::GoesToJournal(STDERR_FILENO));
    HeadlessHost host([&loop] { loop.Quit(0); });
    EventLog log(std::cout);
    log.SetJournalPriorities(posix::GoesToJournal(STDOUT_FILENO));
    ReconnectingPort reconnecting(device, loopTimers, status);
    LoggingSerialPort logging(reconnecting, log);
    SettingsFiles settings(profile, status, info.settingsFolder);
    // No log or warning line holds up the clocks from here on (NonBlockingOutput).
    posix::NonBlockingStandardStreams streams(&loop);
    ApplyPortOverrides(ports, settings);
    log.LogEveryMessage(options.logMessages || ReadLogEveryMessage(settings));
    Window window;
    const posix::PosixClockSync clockSync;
    posix::PosixFileReplacer files;
    StatusKeeper keeper(logging, {window, settings, clock, clockSync, &reconnecting},
                        {files, status, options.metricsFile.value_or("")}, {"headless", ::getpid()},
                        loopTimers);
    Program program(window,
                    {clock, keeper.Port(), settings, dialog, probe, wait, registry, status, info},
                    timers, host);
    log.WatchReplies(window);
    log.Write("started", "settings in " + info.settingsFolder);
    StdinWords words(loop, window);
    // A service manager's stop (or Ctrl+C, or a hang-up) closes the program as "Close and
    // Exit" does.
    posix::TerminationSignals termination(loop, [&window] { window.Command1.OperatorClick(); });
    program.Start();
    const posix::PosixTimeZone zone;
    // The PC clock's status is an event of the run, not a start-up problem.
    StandingWarnings warnings(window, {clock, zone, clockSync}, settings, status, loopTimers,
                              ShowNonEmpty(status), PcClockLines(log));
    log.WatchMessages(window);
    // Why nothing is sent: logged at the start, on both streams whenever it changes.
    NotSendingWatch notSending(
        window, keeper.Port(), settings, [&reconnecting] { return reconnecting.Problem(); },
        [&](const std::string& notice) { SayNotSending(notice, status, log); });
    if (!notSending.Current().empty()) {
        log.Write("not-sending", notSending.Current());
    }
    keeper.Watch(warnings);
    keeper.Start();
    const int code = loop.Run();
    keeper.Finish();
    log.WriteStopped();
    return code;
}

}  // namespace

int RunHeadless(const Options& options, const char* argv0) {
    const ProgramInfo info = DescribeProgram(options, argv0);
    if (options.checkRules) {
        return RunRuleCheck(info, options.checkYears);
    }
    if (options.status) {
        return PrintStatus(info.settingsFolder, std::cout);
    }
    const InstanceLock lock(info.settingsFolder, InstanceMode::Headless);
    if (!lock.Held()) {
        std::cerr << lock.Refusal(info.settingsFolder) << '\n';
        return kExitAlreadyRunning;
    }
    posix::RemoveRunOnceEntries(posix::XdgAutostartRegistry::DefaultFolder());
    return RunOnLoop(info, options);
}

}  // namespace corvantis
