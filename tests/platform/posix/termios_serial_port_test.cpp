#include "platform/posix/termios_serial_port.h"

#include <gtest/gtest.h>
#include <termios.h>

#include <chrono>
#include <memory>

#include "platform/posix/event_loop.h"
#include "platform/serial_port_behaviour.h"

namespace corvantis::posix {
namespace {

using namespace std::chrono_literals;
using corvantis::testing::FailureOf;
using corvantis::testing::kPortMessage;
using corvantis::testing::kPtyPort;

// TermiosSerialPort watched by our own event loop.
struct TermiosBackend {
    std::unique_ptr<SerialPort> Make(const PortMap& ports) {
        return std::make_unique<TermiosSerialPort>(ports, &loop);
    }
    bool RunEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (!done() && std::chrono::steady_clock::now() < end) {
            loop.RunOnce(10ms);
        }
        return done();
    }
    EventLoop loop;
};

using namespace corvantis::testing;  // the shared suite's names
INSTANTIATE_TYPED_TEST_SUITE_P(Termios, SerialPortBehaviour, TermiosBackend);

class TermiosSerialPortTest : public ::testing::Test {
protected:
    TermiosSerialPortTest() {
        m_ports.SetOverride(kPtyPort, m_pty.SlavePath());
        m_port.AddOpenListener([this](bool open) { m_changes.push_back(open); });
        m_port.SetCommPort(kPtyPort);
    }

    EventLoop m_loop;
    corvantis::testing::PtyPair m_pty;
    PortMap m_ports = PortMap::LinuxDefaults();
    TermiosSerialPort m_port{m_ports, &m_loop};
    std::vector<bool> m_changes;
};

// A device that takes nothing more: the message is dropped and counted, and the port stays
// open, for the line may drain again; nothing half written is left unreported.
TEST_F(TermiosSerialPortTest, AFullOutputBufferDropsTheMessageAndKeepsThePortOpen) {
    m_port.SetPortOpen(true);
    Failure failure(0, "");
    std::size_t written = 0;
    for (int n = 0; n < 100000 && failure.number() == 0; ++n) {
        failure = FailureOf([&] { m_port.Output(kPortMessage); });
        if (failure.number() == 0) {
            written += kPortMessage.size();
        }
    }
    ASSERT_EQ(failure.number(), port_error::kOutputBufferFull);
    EXPECT_NE(failure.description().find("output buffer is full"), std::string::npos)
        << failure.description();
    EXPECT_NE(failure.description().find("COM5"), std::string::npos);
    EXPECT_EQ(m_port.DroppedMessages(), 1u);
    EXPECT_TRUE(m_port.PortOpen());
    EXPECT_EQ(m_changes, std::vector<bool>{true});

    // Once the far end reads, messages go out again, whole.
    std::string drained;
    while (drained.size() < written) {
        const std::string got = m_pty.Receive(written - drained.size(), 200ms);
        if (got.empty()) {
            break;
        }
        drained += got;
    }
    while (!m_pty.Receive(65536, 50ms).empty()) {
    }
    m_port.Output(kPortMessage);
    EXPECT_EQ(m_pty.Receive(kPortMessage.size(), 2s), kPortMessage);
    EXPECT_EQ(m_port.DroppedMessages(), 1u);
}

TEST_F(TermiosSerialPortTest, TheReadableListenerRunsFromTheLoopWhileCharactersWait) {
    int calls = 0;
    std::string taken;
    m_port.SetReadableListener([&] {
        ++calls;
        taken += m_port.Input();
    });
    m_port.SetPortOpen(true);
    m_loop.RunOnce(50ms);
    EXPECT_EQ(calls, 0) << "nothing waits";

    m_pty.Send("OK12");
    for (int n = 0; n < 50 && taken.size() < 4; ++n) {
        m_loop.RunOnce(100ms);
    }
    EXPECT_EQ(taken, "OK12");
    const int afterReply = calls;
    m_loop.RunOnce(50ms);
    EXPECT_EQ(calls, afterReply) << "taken characters wake nothing";

    // Without a listener characters wait unread, and the loop does not spin on them.
    m_port.SetReadableListener({});
    m_pty.Send("more");
    ASSERT_TRUE(m_pty.WaitSlaveReadable(2s));
    const auto wakeups = m_loop.Wakeups();
    m_loop.RunOnce(50ms);
    EXPECT_EQ(m_loop.Wakeups(), wakeups);
    EXPECT_EQ(m_port.InBufferCount(), 4);

    // A listener set while closed starts with the next opening.
    m_port.SetPortOpen(false);
    m_port.SetReadableListener([&] { ++calls; });
    m_pty.Send("x");
    m_loop.RunOnce(50ms);
    EXPECT_EQ(calls, afterReply);
}

// Line settings a terminal device cannot take are refused; the port keeps the ones it had,
// on the device too.
TEST_F(TermiosSerialPortTest, SettingsTermiosCannotExpressAreRefusedAndTheOldOnesKept) {
    m_port.SetPortOpen(true);
    for (const char* settings : {"9600,n,8,1.5", "9601,n,8,1", "4000001,n,8,1"}) {
        SCOPED_TRACE(settings);
        const Failure failure = FailureOf([&] { m_port.SetSettings(settings); });
        EXPECT_EQ(failure.number(), port_error::kInvalidSettings);
        EXPECT_EQ(m_port.Settings(), "9600,n,8,1");
        termios line{};
        ASSERT_EQ(::tcgetattr(m_pty.Slave(), &line), 0);
        EXPECT_EQ(::cfgetospeed(&line), B9600);
        EXPECT_EQ(line.c_cflag & CSTOPB, 0u);
    }
    EXPECT_TRUE(m_port.PortOpen());
}

TEST_F(TermiosSerialPortTest, WorksWithoutALoopAndNoticesAHangUpWhenNextUsed) {
    TermiosSerialPort port(m_ports);
    port.SetCommPort(kPtyPort);
    m_port.SetPortOpen(false);
    port.SetPortOpen(true);
    port.Output("hello");
    EXPECT_EQ(m_pty.Receive(5, 2s), "hello");
    m_pty.Send("hi");
    ASSERT_TRUE(m_pty.WaitSlaveReadable(2s));
    EXPECT_EQ(port.Input(), "hi");
    m_pty.CloseMaster();
    EXPECT_TRUE(port.PortOpen()) << "no loop watches the device";
    EXPECT_EQ(FailureOf([&] { port.InBufferCount(); }).number(), port_error::kPortUnavailable);
    EXPECT_FALSE(port.PortOpen());
}

}  // namespace
}  // namespace corvantis::posix
