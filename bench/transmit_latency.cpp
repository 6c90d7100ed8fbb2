// transmit_latency [seconds] [naive-phase-ms]
//
// How late after the even second they carry the clock messages reach the far end of the
// serial line. The real transmission tick writes through a real serial port to a
// pseudo-terminal; a reader thread on the master end stamps the first byte of each message
// with the wall clock. Three runs, one after the other, `seconds` each (default 30):
//   1. the program's design: sendTick ticks aligned to the wall clock's tenths of a second
//      (QtTimerService through TimerDriver, QtSerialPort);
//   2. the naive design: a free-running 100 ms QTimer started at a random phase (or at
//      `naive-phase-ms` after a tenth of a second), driving the same tick;
//   3. the lean headless program's design: our own event loop, the headless timers (sendTick
//      waking once a second) and the termios port.
// Prints figures; passes or fails nothing.
#include <poll.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "form/pick_lists.h"
#include "form/timer_driver.h"
#include "form/window.h"
#include "platform/failure.h"
#include "platform/port_map.h"
#include "platform/posix/event_loop.h"
#include "platform/posix/posix_wall_clock.h"
#include "platform/posix/termios_serial_port.h"
#include "support/pty_pair.h"
#include "transmit/operator_commands.h"
#include "ui/qt/qt_serial_port.h"
#include "ui/qt/qt_timer_service.h"
#include "wire_timing.h"

namespace corvantis::bench {
namespace {

using namespace std::chrono_literals;

constexpr std::chrono::milliseconds kTickInterval = 100ms;

struct StderrStatus : StatusLine {
    void ShowWarning(const std::string& text) override { std::cerr << "warning: " << text << '\n'; }
};

// The window as start-up leaves it with default settings: lists filled, the default display
// rules selected (offset -6, daylight saving on, second Sunday of March to first Sunday of
// November at hour 2, leap-second year 0), sendingOn, rulesWithTime and broadcastTime checked,
// "UTC" selected, sendMode 3, sendRate unset (once per second).
void SetUpAsStarted(Window& w) {
    FillPickLists(w);
    w.zoneOffset.SetListIndex(12);
    w.autoDaylightSaving.SetValue(1);
    w.startDayOfMonth.SetListIndex(0);
    w.startMonth.SetListIndex(2);
    w.startOccurrence.SetListIndex(1);
    w.startWeekday.SetListIndex(6);
    w.endDayOfMonth.SetListIndex(0);
    w.endMonth.SetListIndex(10);
    w.endOccurrence.SetListIndex(0);
    w.endWeekday.SetListIndex(6);
    w.changeHour.SetListIndex(2);
    w.leapYear.SetListIndex(0);

    w.sendingOn.SetValue(1);
    w.rulesWithTime.SetValue(1);
    w.broadcastTime.SetValue(1);
    w.utcOrLocal[0].SetValue(true);
    w.useUtc = true;
    w.sendMode = SendMode::TimeOnly;
    w.setAddressFlag = 0;
    w.pleaseWait.SetVisible(false);
}

// One started window whose port COM1 is the slave end of `line`, with the transmit handlers
// attached and the port open at 9600,n,8,1. Its timers are driven by the caller. `Port` is
// made from the port map and `portArguments`.
template <typename Port>
class Station {
public:
    template <typename... PortArguments>
    explicit Station(const testing::PtyPair& line, PortArguments... portArguments)
        : m_port(m_ports, portArguments...) {
        m_ports.SetOverride(1, line.SlavePath());
        SetUpAsStarted(window);
        AttachTransmitHandlers(window, m_line);
        m_port.SetCommPort(1);
        m_port.SetSettings("9600,n,8,1");
        m_port.SetPortOpen(true);
    }
    ~Station() { m_port.SetPortOpen(false); }

    Window window;
    Port& port() { return m_port; }

private:
    PortMap m_ports = PortMap::SystemDefaults();
    PosixWallClock m_clock;
    Port m_port;
    StderrStatus m_status;
    TransmitLine m_line{m_clock, m_port, m_status};
};

using QtStation = Station<QtSerialPort>;

// Reads the master ends of the lines on its own thread and stamps each read with the wall
// clock as soon as poll() reports it.
class LineReader {
public:
    explicit LineReader(std::vector<int> masters)
        : m_masters(std::move(masters)), m_recorders(m_masters.size()) {
        m_thread = std::thread([this] { Run(); });
    }
    ~LineReader() { Stop(); }

    void Stop() {
        m_stop = true;
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }
    // Valid once stopped.
    const std::vector<Arrival>& Arrivals(std::size_t line) const {
        return m_recorders[line].Arrivals();
    }

private:
    void Run() {
        std::vector<pollfd> watch;
        for (int fd : m_masters) {
            watch.push_back({fd, POLLIN, 0});
        }
        while (!m_stop) {
            if (::poll(watch.data(), watch.size(), 20) <= 0) {
                continue;
            }
            const auto readAt = RealtimeNow();
            for (std::size_t i = 0; i < watch.size(); ++i) {
                if ((watch[i].revents & POLLIN) == 0) {
                    continue;
                }
                char buffer[256];
                ssize_t count;
                while ((count = ::read(watch[i].fd, buffer, sizeof buffer)) > 0) {
                    m_recorders[i].Feed(std::string_view(buffer, static_cast<std::size_t>(count)),
                                        readAt);
                }
            }
        }
    }

    std::vector<int> m_masters;
    std::vector<WireRecorder> m_recorders;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

void RunEventLoopFor(std::chrono::seconds span) {
    QTimer::singleShot(span, Qt::PreciseTimer, [] { QCoreApplication::quit(); });
    QCoreApplication::exec();
}

// The program's design: the sendTick, secondTick and commandWindow controls on the Qt timer
// service, sendTick aligned to the wall clock's tenths of a second. Returns when the timers
// started.
std::chrono::nanoseconds RunAligned(const testing::PtyPair& line, std::chrono::seconds span) {
    QtStation station(line);
    QtTimerService timers;
    Window& w = station.window;
    const auto started = RealtimeNow();
    TimerDriver driver(timers, {&w.sendTick, &w.secondTick, &w.commandWindow});
    RunEventLoopFor(span);
    return started;
}

struct NaiveStart {
    std::chrono::nanoseconds started;
    // Where in each tenth of a second of the wall clock the ticks fall.
    std::chrono::nanoseconds phase;
};

// The naive design: the same tick on a free-running 100 ms timer whose first tick comes
// `phase` after a tenth of a second of the wall clock.
NaiveStart RunNaive(const testing::PtyPair& line, std::chrono::seconds span,
                    std::chrono::nanoseconds phase) {
    QtStation station(line);
    QtTimerService timers;
    Window& w = station.window;
    TimerDriver driver(timers, {&w.secondTick, &w.commandWindow});
    QTimer sendUdp;
    sendUdp.setTimerType(Qt::PreciseTimer);
    QObject::connect(&sendUdp, &QTimer::timeout, [&w] { w.sendTick.Tick(); });

    const auto interval = std::chrono::nanoseconds(kTickInterval);
    const auto now = RealtimeNow();
    auto startAt = now - now % interval + phase;
    while (startAt <= now) {
        startAt += interval;
    }
    SleepUntilRealtime(startAt);
    const auto started = RealtimeNow();
    sendUdp.start(kTickInterval);
    RunEventLoopFor(span);
    return {started, started % interval};
}

// The lean headless program's timers as far as the transmission tick is concerned: sendTick on
// a sparse timer that wakes once a second, the others on the loop.
class LeanTimers : public TimerService {
public:
    explicit LeanTimers(posix::LoopTimerService& timers) : m_timers(timers) {}
    std::unique_ptr<PlatformTimer> CreateTimer(std::function<void()> onTick) override {
        return m_timers.CreateTimer(std::move(onTick));
    }
    std::unique_ptr<PlatformTimer> CreateTimerFor(const std::string& name,
                                                  std::function<void()> onTick) override {
        if (name == "SendUDP") {
            return m_timers.CreateSparseTimer(std::move(onTick), 1s);
        }
        return CreateTimer(std::move(onTick));
    }

private:
    posix::LoopTimerService& m_timers;
};

// The lean headless program's design: the same controls on our own event loop, sendTick
// waking once a second, writing through the termios port.
std::chrono::nanoseconds RunLean(const testing::PtyPair& line, std::chrono::seconds span) {
    posix::EventLoop loop;
    Station<posix::TermiosSerialPort> station(line, &loop);
    posix::LoopTimerService loopTimers(loop);
    LeanTimers timers(loopTimers);
    Window& w = station.window;
    const auto started = RealtimeNow();
    TimerDriver driver(timers, {&w.sendTick, &w.secondTick, &w.commandWindow});
    auto end = loopTimers.CreateTimer([&loop] { loop.Quit(0); });
    end->Start(span, false);
    loop.Run();
    return started;
}

void PrintRow(const char* name, const Summary& s, const char* target) {
    std::printf("%-28s %6zu %10.3f %10.3f %10.3f   %s\n", name, s.count, s.p50, s.p99, s.max,
                target);
}

}  // namespace
}  // namespace corvantis::bench

int main(int argc, char** argv) {
    using namespace corvantis;
    using namespace corvantis::bench;
    const std::chrono::seconds span(argc > 1 ? std::max(2, std::atoi(argv[1])) : 30);
    std::chrono::nanoseconds phase;
    if (argc > 2) {
        phase = std::chrono::milliseconds(std::atoi(argv[2]) % 100);
    } else {
        std::random_device random;
        phase = std::chrono::microseconds(std::uniform_int_distribution<int>(0, 99'999)(random));
    }

    QCoreApplication app(argc, argv);
    testing::PtyPair alignedLine;
    testing::PtyPair naiveLine;
    testing::PtyPair leanLine;
    LineReader reader({alignedLine.Master(), naiveLine.Master(), leanLine.Master()});
    std::chrono::nanoseconds alignedStart{};
    std::chrono::nanoseconds leanStart{};
    NaiveStart naiveStart{};
    try {
        std::cerr << "aligned ticks for " << span.count() << " s ...\n";
        alignedStart = RunAligned(alignedLine, span);
        std::cerr << "naive 100 ms timer for " << span.count() << " s ...\n";
        naiveStart = RunNaive(naiveLine, span, phase);
        std::cerr << "lean event loop for " << span.count() << " s ...\n";
        leanStart = RunLean(leanLine, span);
    } catch (const Failure& failure) {
        std::cerr << "the port could not be used: " << failure.what() << '\n';
        return 1;
    }
    // Let the last message's bytes reach the reader.
    std::this_thread::sleep_for(200ms);
    reader.Stop();

    const Summary aligned = Summarize(DelaysAfterCarriedSecond(reader.Arrivals(0), alignedStart));
    const Summary naive =
        Summarize(DelaysAfterCarriedSecond(reader.Arrivals(1), naiveStart.started));
    const Summary leanLoop = Summarize(DelaysAfterCarriedSecond(reader.Arrivals(2), leanStart));
    std::printf(
        "Delay of each message's first byte on the pty master (CLOCK_REALTIME) after the start "
        "of the even second it carries.\n"
        "Real SendUDP_Timer to a pseudo-terminal, PosixWallClock; three runs one after the "
        "other, %lld s each, each on its own pty. Left out: the first message of a run when "
        "its even second began before the timer started.\n\n",
        static_cast<long long>(span.count()));
    std::printf("%-28s %6s %10s %10s %10s   %s\n", "design", "count", "p50 ms", "p99 ms", "max ms",
                "target");
    PrintRow("Corvantis (aligned ticks)", aligned, "p50 <= 0.5 ms, p99 <= 5 ms");
    PrintRow("naive (free 100 ms QTimer)", naive, "tens of milliseconds");
    PrintRow("lean loop (termios, 1/s)", leanLoop, "no worse than Corvantis");
    std::printf("\nnaive timer phase: %.3f ms after each tenth of a second (random unless given)\n",
                Millis(naiveStart.phase));
    if (aligned.p50 > 0) {
        std::printf("p50 ratio naive / Corvantis: %.1f\n", naive.p50 / aligned.p50);
    }
    return 0;
}
