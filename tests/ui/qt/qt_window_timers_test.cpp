// The window's timers on Qt once the service follows the window and the port: they wake on
// whole seconds, the display only while the window is shown, and whenever characters arrive.
#include <gtest/gtest.h>
#include <QApplication>
#include <QWidget>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "support/pty_pair.h"
#include "ui/qt/qt_serial_port.h"
#include "ui/qt/qt_test_app.h"
#include "ui/qt/qt_timer_service.h"

namespace corvantis {
namespace {

using namespace std::chrono_literals;
using std::chrono::nanoseconds;

// One application for the whole run, made before the first test and gone before the
// program's statics are torn down.
class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override { m_app = std::make_unique<QApplication>(m_argc, m_argv); }
    void TearDown() override { m_app.reset(); }

private:
    int m_argc = 1;
    char m_name[23] = "qt_window_timers_tests";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QApplication> m_app;
};

[[maybe_unused]] ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

nanoseconds WallNow() {
    return std::chrono::duration_cast<nanoseconds>(
        std::chrono::system_clock::now().time_since_epoch());
}

void RunFor(std::chrono::milliseconds span) {
    const auto end = std::chrono::steady_clock::now() + span;
    while (std::chrono::steady_clock::now() < end) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    }
}

class QtWindowTimersTest : public ::testing::Test {
protected:
    QtWindowTimersTest() {
        m_ports.SetOverride(5, m_line.SlavePath());
        m_port.SetCommPort(5);
        m_port.SetPortOpen(true);
        m_service.FollowWindow(m_window);
        m_service.FollowPort(m_port);
        m_window.show();
    }

    // Every tick fell within 100 ms after a whole second, no two in one second.
    static void ExpectWholeSeconds(const std::vector<nanoseconds>& ticks) {
        for (std::size_t i = 0; i < ticks.size(); ++i) {
            EXPECT_LT(ticks[i] % 1s, nanoseconds(100ms)) << "tick " << i;
            if (i > 0) {
                EXPECT_GT(ticks[i] / 1s, ticks[i - 1] / 1s) << "tick " << i;
            }
        }
    }

    testing::PtyPair m_line;
    PortMap m_ports = PortMap::LinuxDefaults();
    QtSerialPort m_port{m_ports};
    QtTimerService m_service;
    QWidget m_window;
};

// Asked for every 100 ms, each wakes only just after the whole seconds.
TEST_F(QtWindowTimersTest, TheTransmissionAndSavingTimersTickOnWholeSecondsOnly) {
    for (const char* name : {"SendUDP", "Timer2"}) {
        SCOPED_TRACE(name);
        std::vector<nanoseconds> ticks;
        auto timer = m_service.CreateTimerFor(name, [&] { ticks.push_back(WallNow()); });
        timer->Start(100ms, true);
        RunFor(2300ms);
        EXPECT_GE(ticks.size(), 2u);
        EXPECT_LE(ticks.size(), 3u);
        ExpectWholeSeconds(ticks);
    }
}

// The kernel timers this process holds.
int TimerDescriptors() {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        const auto target = std::filesystem::read_symlink(entry.path(), error).string();
        count += target.find("timerfd") != std::string::npos ? 1 : 0;
    }
    return count;
}

// A one-second aligned timer made by CreateTimer (as the status record's) wakes with the
// window's timers on one system timer, after the transmission.
TEST_F(QtWindowTimersTest, AOneSecondAlignedTimerSharesTheWindowsWake) {
    const int before = TimerDescriptors();
    std::vector<std::string> order;
    auto send = m_service.CreateTimerFor("SendUDP", [&] { order.push_back("send"); });
    auto status = m_service.CreateTimer([&] { order.push_back("status"); });
    status->Start(1000ms, true);
    send->Start(100ms, true);
    RunFor(2300ms);
    EXPECT_EQ(TimerDescriptors() - before, 1);
    ASSERT_GE(order.size(), 4u);
    for (std::size_t i = 0; i + 1 < order.size(); i += 2) {
        EXPECT_EQ(order[i] + "," + order[i + 1], "send,status") << i;
    }
}

// The display ticks on whole seconds while the window is shown, not while it is minimised or
// hidden, and at once for characters that reach the port whichever it is.
TEST_F(QtWindowTimersTest, TheDisplayTicksWhileShownAndForArrivingCharacters) {
    std::vector<nanoseconds> ticks;
    auto timer = m_service.CreateTimerFor("Timer1", [&] {
        ticks.push_back(WallNow());
        m_port.SetInBufferCount(0);  // takes the reply, as the reply wait does
    });
    timer->Start(100ms, false);
    RunFor(2300ms);
    EXPECT_GE(ticks.size(), 2u);
    EXPECT_LE(ticks.size(), 3u);
    ExpectWholeSeconds(ticks);

    for (const bool minimise : {true, false}) {
        SCOPED_TRACE(minimise ? "minimised" : "hidden");
        if (minimise) {
            m_window.showMinimized();
        } else {
            m_window.hide();
        }
        RunFor(50ms);
        ASSERT_FALSE(m_service.WindowShown());
        ticks.clear();
        RunFor(1300ms);
        EXPECT_TRUE(ticks.empty()) << ticks.size() << " ticks";
        m_line.Send("OK");
        RunFor(200ms);
        EXPECT_EQ(ticks.size(), 1u) << "a reply is still read";
        m_window.showNormal();
        RunFor(50ms);
        EXPECT_TRUE(m_service.WindowShown());
    }
    ticks.clear();
    RunFor(1200ms);
    EXPECT_GE(ticks.size(), 1u) << "shown again, it ticks again";
    timer->Stop();
    ticks.clear();
    m_line.Send("late");
    RunFor(1200ms);
    EXPECT_TRUE(ticks.empty()) << "no tick once stopped";
}

}  // namespace
}  // namespace corvantis
