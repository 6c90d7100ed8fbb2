// Corvantis: sets Vesper wall clocks from the PC clock over a serial line.
//
// main() picks the window or headless mode. The window: it picks the settings folder, builds
// the platform services on Qt and hands them to the program. Headless: the same run as
// corvantis-headless, on our own event loop, with no Qt event loop at all.
#include <QApplication>
#include <QCoreApplication>

#include <signal.h>

#include <cstdlib>
#include <iostream>

#include "app/headless/headless_run.h"
#include "app/headless/posix_system.h"
#include "app/linux/termination_signals.h"
#include "app/options.h"
#include "platform/instance_lock.h"
#include "platform/posix/nonblocking_output.h"
#include "platform/posix/xdg_autostart_registry.h"
#include "program/assembled_program.h"
#include "program/window_fit.h"
#include "ui/qt/qt_drawing.h"
#include "ui/qt/qt_event_wait.h"
#include "ui/qt/qt_message_dialog.h"
#include "ui/qt/qt_serial_port.h"
#include "ui/qt/qt_timer_service.h"
#include "ui/qt/window_view.h"

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

int RunWindow(const ProgramInfo& info, const Options& options) {
    // Lines for a terminal or a log collector never hold up the window; queued lines go out
    // with the next one written.
    posix::NonBlockingStandardStreams streams(nullptr);
    PosixSystem os;
    QtSerialPort device(os.ports);
    QtEventWait wait;
    QtTimerService timers;
    Window window;
    WindowView view(window);
    view.setWindowIcon(WindowView::AppIcon());
    QApplication::setWindowIcon(WindowView::AppIcon());
    QtMessageDialog dialog(&view);
    GuiHost host(view);
    // The window's timers wake only when the window is shown or characters arrive.
    timers.FollowWindow(view);
    timers.FollowPort(device);
    CombinedWarningLine warningLine(view.Status());
    AssembledProgram assembled({os.With(device, wait, timers, timers),
                                {window, dialog, view.Status(), host},
                                info,
                                {"window", QCoreApplication::applicationPid()},
                                options.metricsFile.value_or(""),
                                {}});
    RememberedWindowPlace place(
        assembled.Settings(), [&view] { return view.Place(); },
        [&view](ScreenPoint at) { view.PlaceAt(at); });
    Program& program = assembled.program();
    view.onCloseRequested = [&program] { program.CloseWindow(); };
    view.onMouseMove = [&program](int x) { program.MouseMove(x); };
    view.onTrayActivated = [&program] { program.NotifyIconClicked(); };
    // A desktop session ending (or a kill) closes the program as "Close and Exit" does; a
    // second copy started on the same settings brings this window forward.
    TerminationSignals termination([&window] { window.closeAndExit.OperatorClick(); },
                                   [&view] {
                                       view.showNormal();
                                       view.raise();
                                       view.activateWindow();
                                   });
    const int code =
        assembled.Run(WarningLineVoices(warningLine), [] { return QApplication::exec(); });
    place.StoreIfMoved();
    return code;
}

}  // namespace
}  // namespace corvantis

int main(int argc, char** argv) {
    using namespace corvantis;
    std::vector<std::string> arguments(argv + 1, argv + argc);
    const Options options = ParseOptions(arguments);
    if (const auto answered = AnswerWithoutStarting(options, argv[0], std::cout, std::cerr)) {
        return *answered;
    }
    TraceSkippedFailures(options, std::cerr);
    if (options.status) {
        return RunHeadless(options, argv[0]);
    }
    const bool headless = options.headless || !DisplayAvailable();
    if (headless && !options.headless) {
        std::cerr << "No display found: running headless (see --help).\n";
    }
    if (headless || options.checkRules) {
        return RunHeadless(options, argv[0]);
    }
    PreferSocketDrawing();
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName("Corvantis");
    const ProgramInfo info = DescribeProgram(options.settingsDir, argv[0]);
    // A second copy sends SIGUSR1 to bring this one's window forward; until the window can,
    // the signal must not end the program.
    ::signal(SIGUSR1, SIG_IGN);
    const InstanceLock lock(info.settingsFolder, InstanceMode::Window);
    if (!lock.Held()) {
        std::cerr << lock.Refusal(info.settingsFolder) << '\n';
        if (lock.OtherMode() == InstanceMode::Window && lock.OtherProcess() > 0) {
            ::kill(static_cast<pid_t>(lock.OtherProcess()), SIGUSR1);  // bring it forward
        }
        return kExitAlreadyRunning;
    }
    posix::RemoveRunOnceEntries(posix::XdgAutostartRegistry::DefaultFolder());
    return RunWindow(info, options);
}
