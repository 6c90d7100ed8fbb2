// Corvantis: sets Vesper wall clocks from the PC clock over a serial line.
//
// main() picks the settings folder, the window or headless mode, builds the platform
// services and hands them to the program.
#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>

#include <cstdlib>
#include <functional>
#include <iostream>
#include <memory>

#include "app/linux/headless.h"
#include "app/linux/termination_signals.h"
#include "app/options.h"
#include "platform/clock_sync.h"
#include "platform/failure.h"
#include "platform/port_map.h"
#include "platform/posix/ini_file_store.h"
#include "platform/posix/posix_clock_sync.h"
#include "platform/posix/posix_port_probe.h"
#include "platform/posix/posix_time_zone.h"
#include "platform/posix/posix_wall_clock.h"
#include "platform/posix/xdg_autostart_registry.h"
#include "platform/version.h"
#include "settings/key_table.h"
#include "settings/settings_folder.h"
#include "transmit/transmission_tick.h"
#include "ui/qt/qt_event_wait.h"
#include "ui/qt/qt_message_dialog.h"
#include "ui/qt/qt_serial_port.h"
#include "ui/qt/qt_timer_service.h"
#include "ui/qt/window_view.h"
#include "window/event_log.h"
#include "window/program.h"
#include "window/rule_check_report.h"

namespace corvantis {
namespace {

// The window on screen: showing it, its notification icon, and the end of the program.
class GuiHost : public WindowHost {
public:
    explicit GuiHost(WindowView& view) : m_view(view) {}
    void ShowWindow() override {
        m_view.show();
        m_view.raise();
    }
    void RemoveNotifyIcon() override { m_view.RemoveTrayIcon(); }
    void UnloadWindow() override {
        if (m_unloading) {
            return;
        }
        m_unloading = true;
        m_view.close();
        QCoreApplication::exit(0);
    }
    void EndProgram() override { QCoreApplication::exit(0); }

private:
    WindowView& m_view;
    bool m_unloading = false;
};

bool DisplayAvailable() {
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            return true;
        }
    }
    return false;
}

ProgramInfo DescribeProgram(const Options& options) {
    ProgramInfo info;
    const QFileInfo executable(QCoreApplication::applicationFilePath());
    info.executableFolder = executable.absolutePath().toStdString();
    info.executableBaseName = executable.completeBaseName().toStdString();
    info.settingsFolder =
        PickSettingsFolder(options.settingsDir, info.executableFolder, SystemFolderChecks());
    return info;
}

// The services every mode shares; the dialog, status line and port vary by mode.
struct PosixPlatform {
    PortMap ports = PortMap::SystemDefaults();
    PosixWallClock clock;
    QtSerialPort port{ports};
    posix::IniFileStore profile;
    PosixPortProbe probe{ports};
    QtEventWait wait;
    posix::XdgAutostartRegistry registry{posix::XdgAutostartRegistry::DefaultFolder()};
    QtTimerService timers;
};

// Reads the [Ports] overrides before anything probes or opens a port.
void ApplyPortOverrides(PosixPlatform& platform, Services& services) {
    for (const auto& [number, device] : ReadPortOverrides(services)) {
        platform.ports.SetOverride(number, device);
    }
}

constexpr int kWarningYears = 5;

std::int64_t UtcNow(const WallClock& clock) {
    return std::chrono::duration_cast<std::chrono::seconds>(clock.SinceEpoch()).count();
}

// The window's display rules against this PC's zone: the first difference in words, or empty
// text when they agree.
std::string RuleDifferenceWarning(const Window& window, const PosixPlatform& platform) {
    try {
        const posix::PosixTimeZone zone;
        return CheckRules(DisplayRuleFieldsOf(window), zone, UtcNow(platform.clock), kWarningYears)
            .warning;
    } catch (const Failure& failure) {
        return "The display rules were not checked: " + failure.description();
    }
}

constexpr std::chrono::minutes kClockSyncCheckEvery{1};

// The PC clock's synchronisation, read at start and every minute; `show` gets the warning in
// words each time it changes (empty text: nothing to warn of any more). A clean first reading
// shows nothing.
class ClockSyncWatch {
public:
    explicit ClockSyncWatch(std::function<void(const std::string&)> show)
        : m_show(std::move(show)) {
        Check();
        m_timer.setInterval(kClockSyncCheckEvery);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Check(); });
        m_timer.start();
    }

private:
    void Check() {
        const std::string warning = ClockSyncWarning(m_probe.Read());
        if (warning != m_last) {
            m_last = warning;
            m_show(warning);
        }
    }

    std::function<void(const std::string&)> m_show;
    std::string m_last;
    posix::PosixClockSync m_probe;
    QTimer m_timer;
};

// corvantis --check-rules: the stored display rules against this PC's zone; 0 when they
// agree, 1 when they do not.
int RunRuleCheck(const ProgramInfo& info, int years) {
    PosixPlatform platform;
    StderrMessageDialog dialog;
    StderrStatusLine status;
    Services services{platform.clock, platform.port,     platform.profile, dialog, platform.probe,
                      platform.wait,  platform.registry, status,           info};
    try {
        const posix::PosixTimeZone zone;
        const RuleCheckResult result =
            CheckRules(StoredDisplayRuleFields(services), zone, UtcNow(platform.clock), years);
        std::cout << "Settings in " << info.settingsFolder << '\n' << result.report;
        return result.agree ? 0 : 1;
    } catch (const Failure& failure) {
        std::cerr << "The display rules were not checked: " << failure.description() << '\n';
        return 2;
    }
}

int RunWindow(const ProgramInfo& info) {
    PosixPlatform platform;
    Window window;
    WindowView view(window);
    view.setWindowIcon(WindowView::AppIcon());
    QApplication::setWindowIcon(WindowView::AppIcon());
    QtMessageDialog dialog(&view);
    GuiHost host(view);
    Services services{platform.clock, platform.port,     platform.profile, dialog, platform.probe,
                      platform.wait,  platform.registry, view.Status(),    info};
    ApplyPortOverrides(platform, services);
    Program program(window, services, platform.timers, host);
    view.onCloseRequested = [&program] { program.CloseWindow(); };
    view.onMouseMove = [&program](int x) { program.MouseMove(x); };
    view.onTrayActivated = [&program] { program.NotifyIconClicked(); };
    // A desktop session ending (or a kill) closes the program as "Close and Exit" does.
    TerminationSignals termination([&window] { window.Command1.OperatorClick(); });
    program.Start();
    // The warning line: the rule check, again after each change of a rule control, then the
    // PC clock's status.
    std::string rulesWarning = RuleDifferenceWarning(window, platform);
    std::string syncWarning;
    auto showWarnings = [&] {
        view.Status().ShowWarning(rulesWarning.empty() || syncWarning.empty()
                                      ? rulesWarning + syncWarning
                                      : rulesWarning + " " + syncWarning);
    };
    if (!rulesWarning.empty()) {
        showWarnings();
    }
    AfterRuleChanges(window, [&] {
        const std::string now = RuleDifferenceWarning(window, platform);
        if (now != rulesWarning) {
            rulesWarning = now;
            showWarnings();
        }
    });
    const posix::PosixTimeZone zone;
    window.UseZone.onClick = [&] {
        UseThisPcsTimeZone(window, services, zone, UtcNow(platform.clock));
        // Its own message stays on the line; the check's state follows the new rules.
        rulesWarning = RuleDifferenceWarning(window, platform);
    };
    ClockSyncWatch clockSync([&](const std::string& warning) {
        syncWarning = warning;
        showWarnings();
    });
    return QApplication::exec();
}

int RunHeadless(const ProgramInfo& info) {
    PosixPlatform platform;
    StderrMessageDialog dialog;
    StderrStatusLine status;
    HeadlessHost host;
    EventLog log(std::cout);
    LoggingSerialPort port(platform.port, log);
    Services services{platform.clock,
                      port,
                      platform.profile,
                      dialog,
                      platform.probe,
                      platform.wait,
                      platform.registry,
                      status,
                      info};
    ApplyPortOverrides(platform, services);
    Window window;
    Program program(window, services, platform.timers, host);
    log.WatchReplies(window);
    log.Write("started", "settings in " + info.settingsFolder);
    StdinCommands commands(window);
    TerminationSignals termination([&window] { window.Command1.OperatorClick(); });
    program.Start();
    if (const std::string rules = RuleDifferenceWarning(window, platform); !rules.empty()) {
        status.ShowWarning(rules);
    }
    // The PC clock's status is an event of the run, not a start-up problem.
    ClockSyncWatch clockSync([&log](const std::string& warning) {
        log.Write("pc-clock", warning.empty() ? "This PC's clock is synchronised again." : warning);
    });
    log.WatchMessages(window);
    return QCoreApplication::exec();
}

}  // namespace
}  // namespace corvantis

int main(int argc, char** argv) {
    using namespace corvantis;
    std::vector<std::string> arguments(argv + 1, argv + argc);
    const Options options = ParseOptions(arguments);
    if (!options.error.empty()) {
        std::cerr << options.error << "\n" << Usage(argv[0]);
        return 2;
    }
    if (options.help) {
        std::cout << Usage(argv[0]);
        return 0;
    }
    if (options.version) {
        std::cout << "Corvantis " << kVersionText << '\n';
        return 0;
    }
    const bool headless = options.headless || !DisplayAvailable();
    if (headless && !options.headless && !options.checkRules) {
        std::cerr << "No display found: running headless (see --help).\n";
    }
    std::unique_ptr<QCoreApplication> app;
    if (options.checkRules) {
        app = std::make_unique<QCoreApplication>(argc, argv);
        QCoreApplication::setApplicationName("Corvantis");
        return RunRuleCheck(DescribeProgram(options), options.checkYears);
    }
    if (headless) {
        app = std::make_unique<QCoreApplication>(argc, argv);
    } else {
        app = std::make_unique<QApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName("Corvantis");
    posix::RemoveRunOnceEntries(posix::XdgAutostartRegistry::DefaultFolder());
    const ProgramInfo info = DescribeProgram(options);
    return headless ? RunHeadless(info) : RunWindow(info);
}
