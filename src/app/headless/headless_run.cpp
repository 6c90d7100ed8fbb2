#include "app/headless/headless_run.h"

#include <poll.h>
#include <unistd.h>

#include <iostream>
#include <string>

#include "app/headless/headless_timers.h"
#include "app/headless/posix_system.h"
#include "app/status_command.h"
#include "platform/instance_lock.h"
#include "platform/posix/event_loop.h"
#include "platform/posix/journal_stream.h"
#include "platform/posix/nonblocking_output.h"
#include "platform/posix/termios_serial_port.h"
#include "program/assembled_program.h"
#include "program/rule_check_report.h"
#include "ui/console/console.h"
#include "ui/console/console_program.h"
#include "ui/console/event_log.h"

namespace corvantis {
namespace {

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

// --check-rules: the rule check of the stored display rules for `years` years.
int RunRuleCheck(const ProgramInfo& info, int years) {
    PosixSystem os;
    StderrStatusLine status;
    SettingsFiles settings(os.profile, status, info.settingsFolder);
    return PrintRuleCheck(settings, os.clock, os.zone, years, std::cout, std::cerr);
}

// The program on the loop until "Close and Exit", its status kept in the settings folder (and
// in `options.metricsFile` when given); --log-messages logs every clock message.
int RunOnLoop(const ProgramInfo& info, const Options& options) {
    posix::EventLoop loop;
    PosixSystem os;
    posix::TermiosSerialPort device(os.ports, &loop);
    posix::LoopEventWait wait(loop);
    posix::LoopTimerService loopTimers(loop);
    HeadlessTimerService timers(loopTimers, device);
    // Under systemd, warnings and errors carry the journal's priorities.
    StderrMessageDialog dialog(posix::GoesToJournal(STDERR_FILENO));
    StderrStatusLine status(posix::GoesToJournal(STDERR_FILENO));
    HeadlessHost host([&loop] { loop.Quit(0); });
    EventLog log(std::cout);
    log.SetJournalPriorities(posix::GoesToJournal(STDOUT_FILENO));
    // No log or warning line holds up the clocks from here on (NonBlockingOutput).
    posix::NonBlockingStandardStreams streams(&loop);
    Window window;
    AssembledProgram assembled({os.With(device, wait, loopTimers, timers),
                                {window, dialog, status, host},
                                info,
                                {"headless", ::getpid()},
                                options.metricsFile.value_or(""),
                                LogTap(log)});
    BeginLog(log, window, assembled.Settings(), options.logMessages);
    StdinWords words(loop, window);
    // A service manager's stop (or Ctrl+C, or a hang-up) closes the program as "Close and
    // Exit" does.
    posix::TerminationSignals termination(loop, [&window] { window.closeAndExit.OperatorClick(); });
    const int code =
        assembled.Run(ConsoleVoices(window, status, log), [&loop] { return loop.Run(); });
    log.WriteStopped();
    return code;
}

}  // namespace

int RunHeadless(const Options& options, const char* argv0) {
    const ProgramInfo info = DescribeProgram(options.settingsDir, argv0);
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
