// window_cost [seconds] [executable]
//
// What the Qt window costs while it keeps the clocks set, shown and then minimised. Starts a
// virtual X display (Xvfb) of its own, runs `corvantis` (or `executable`) on it with its
// window shown, in a scratch settings folder with COM1 mapped to a pseudo-terminal whose far
// end is drained; once the first message is on the wire and 2 s have passed, measures
// `seconds` (default 60) shown, then minimises the window (WM_STATE iconic, as a window
// manager sets it), lets 2 s pass and measures `seconds` again. Prints the CPU share of a
// core, the wake-ups per second (voluntary context switches of all threads), the messages on
// the wire in each phase and the peak resident memory. Prints figures; passes or fails
// nothing.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "child_program.h"

namespace corvantis::bench {
namespace {

using namespace std::chrono_literals;
using std::chrono::nanoseconds;

constexpr nanoseconds kSettle = 2s;
constexpr nanoseconds kFirstMessageLimit = 10s;

// An X server of our own on display :number, ended with the object.
class VirtualDisplay {
public:
    VirtualDisplay() {
        for (m_number = 91; m_number < 140; ++m_number) {
            if (!std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(m_number)) &&
                !std::filesystem::exists("/tmp/.X" + std::to_string(m_number) + "-lock")) {
                break;
            }
        }
        m_pid = ::fork();
        if (m_pid == 0) {
            const std::string name = ":" + std::to_string(m_number);
            ::execlp("Xvfb", "Xvfb", name.c_str(), "-screen", "0", "1280x1024x24", "-nolisten",
                     "tcp", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        for (int i = 0; i < 100 && !std::filesystem::exists(Socket()); ++i) {
            std::this_thread::sleep_for(50ms);
        }
    }
    ~VirtualDisplay() {
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
    }
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    std::string Name() const { return ":" + std::to_string(m_number); }
    bool Ready() const { return std::filesystem::exists(Socket()); }

private:
    std::string Socket() const { return "/tmp/.X11-unix/X" + std::to_string(m_number); }
    int m_number = 91;
    pid_t m_pid = -1;
};

// Marks every top-level window of process `pid` on `display` iconic, as a window manager
// does when the operator minimises it. Returns how many windows it marked.
int MinimiseWindowsOf(const std::string& display, pid_t pid) {
    Display* x = XOpenDisplay(display.c_str());
    if (x == nullptr) {
        return 0;
    }
    const Atom netWmPid = XInternAtom(x, "_NET_WM_PID", False);
    const Atom wmState = XInternAtom(x, "WM_STATE", False);
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    int marked = 0;
    XQueryTree(x, DefaultRootWindow(x), &root, &parent, &children, &count);
    for (unsigned i = 0; i < count; ++i) {
        Atom type = 0;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(x, children[i], netWmPid, 0, 1, False, XA_CARDINAL, &type, &format,
                               &items, &after, &data) == Success &&
            data != nullptr && items == 1 &&
            static_cast<pid_t>(*reinterpret_cast<unsigned long*>(data)) == pid) {
            const long iconic[2] = {3 /* IconicState */, 0};
            XChangeProperty(x, children[i], wmState, wmState, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(iconic), 2);
            ++marked;
        }
        if (data != nullptr) {
            XFree(data);
        }
    }
    if (children != nullptr) {
        XFree(children);
    }
    XCloseDisplay(x);
    return marked;
}

// Measures `span` of the running child and prints one line for `phase`.
void MeasurePhase(ChildProgram& child, const char* phase, nanoseconds span) {
    child.CollectUntil(RealtimeNow() + kSettle, [] {});
    const std::size_t before = child.Wire().Arrivals().size();
    const CostSample start = CostSample::Of(child);
    child.CollectUntil(RealtimeNow() + span, [] {});
    const CostSample end = CostSample::Of(child);
    std::printf("  %-10s %s, %zu messages on the wire\n", phase, end.Since(start).c_str(),
                child.Wire().Arrivals().size() - before);
    std::fflush(stdout);
}

int Run(nanoseconds span, const std::string& executable) {
    VirtualDisplay display;
    if (!display.Ready()) {
        std::printf("Xvfb did not start\n");
        return 1;
    }
    ScratchFolder settings;
    testing::PtyPair line;
    settings.Write("Corvantis.ini",
                   "[Ports]\r\nCOM1=" + line.SlavePath() + "\r\n[SerialSync]\r\nCOMPORT=COM1\r\n");
    ChildProgram child(
        {executable, "--settings-dir", settings.Path()},
        {"QT_QPA_PLATFORM", "XDG_CONFIG_HOME", "DISPLAY", "WAYLAND_DISPLAY"},
        {"DISPLAY=" + display.Name(), "XDG_CONFIG_HOME=" + settings.Path() + "/config"}, line);
    std::printf("%s, window on Xvfb %s, %.0f s per phase\n", executable.c_str(),
                display.Name().c_str(), std::chrono::duration<double>(span).count());
    if (!child.WaitForFirstMessage(kFirstMessageLimit)) {
        std::printf("no message on the wire within 10 s\n%s\n", child.Stderr().c_str());
        return 1;
    }
    MeasurePhase(child, "shown", span);
    const int marked = MinimiseWindowsOf(display.Name(), child.Pid());
    if (marked == 0) {
        std::printf("  (no window of the program found to minimise)\n");
    }
    MeasurePhase(child, "minimised", span);
    const long rssKb = child.Stop().maxRssKb;
    std::printf("  peak resident memory %.1f MB\n", static_cast<double>(rssKb) / 1024.0);
    return 0;
}

}  // namespace
}  // namespace corvantis::bench

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 60.0;
    const std::string executable = argc > 2 ? argv[2] : CORVANTIS_EXECUTABLE;
    return corvantis::bench::Run(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                     std::chrono::duration<double>(seconds)),
                                 executable);
}
