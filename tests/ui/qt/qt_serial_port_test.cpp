#include "ui/qt/qt_serial_port.h"

#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <vector>

#include "platform/failure.h"
#include "support/failure_of.h"
#include "support/pty_pair.h"
#include "support/temp_dir.h"
#include "ui/qt/qt_test_app.h"

namespace corvantis {
namespace {

using namespace std::chrono_literals;
using testing::FailureOf;
using testing::PtyPair;

constexpr std::int16_t kPtyPort = 5;
// A clock message with a byte above 127, which must go out unchanged.
const std::string kMessage = std::string("*1430090300001401+01+2-03-10-0112 #") + "\xB0";

class QtSerialPortTest : public ::testing::Test {
protected:
    QtSerialPortTest() {
        testing::TestApp();
        // Every port points into the test's own folder; only the pty is ever opened.
        for (int n = kFirstComPort; n <= kLastComPort; ++n) {
            m_ports.SetOverride(n, m_dir.File("absent" + std::to_string(n)));
        }
        m_ports.SetOverride(kPtyPort, m_pty.SlavePath());
        m_port.SetOpenListener([this](bool open) { m_changes.push_back(open); });
    }

    void OpenPty() {
        m_port.SetCommPort(kPtyPort);
        m_port.SetSettings("9600,n,8,1");
        m_port.SetPortOpen(true);
        ASSERT_TRUE(m_port.PortOpen());
    }

    // Sends `bytes` from the device side and waits until they reached the port's device.
    void DeviceSends(const std::string& bytes) {
        m_pty.Send(bytes);
        ASSERT_TRUE(m_pty.WaitSlaveReadable(2s));
    }

    testing::TempDir m_dir;
    PtyPair m_pty;
    PortMap m_ports = PortMap::LinuxDefaults();
    QtSerialPort m_port{m_ports};
    std::vector<bool> m_changes;
};

TEST_F(QtSerialPortTest, OutputReachesTheDeviceAtOnceInOnePieceWithNothingAppended) {
    OpenPty();
    m_port.Output(kMessage);  // no event loop runs between here and the read
    EXPECT_EQ(m_pty.Receive(kMessage.size(), 2s), kMessage);
    m_port.Output("\n\r12:00:00");  // raw line: no translation of line ends
    EXPECT_EQ(m_pty.Receive(10, 2s), "\n\r12:00:00");
    EXPECT_EQ(m_pty.Receive(1, 100ms), "");  // nothing more follows
}

TEST_F(QtSerialPortTest, InputTakesAtMostInputLenAndAllWhenFewerWait) {
    OpenPty();
    DeviceSends("0123456789");
    EXPECT_EQ(m_port.InBufferCount(), 10);  // seen without the event loop running
    m_port.SetInputLen(1);
    EXPECT_EQ(m_port.Input(), "0");
    m_port.SetInputLen(35);
    EXPECT_EQ(m_port.Input(), "123456789");
    EXPECT_EQ(m_port.Input(), "");
    EXPECT_EQ(m_port.InBufferCount(), 0);

    DeviceSends(std::string("AB\xFF", 3));
    m_port.SetInputLen(0);  // 0 takes everything
    EXPECT_EQ(m_port.Input(), std::string("AB\xFF", 3));
}

TEST_F(QtSerialPortTest, SettingInBufferCountToZeroDiscardsOtherValuesAreRefused) {
    OpenPty();
    DeviceSends("reply");
    ASSERT_EQ(m_port.InBufferCount(), 5);
    EXPECT_EQ(FailureOf([&] { m_port.SetInBufferCount(3); }).number(),
              error::kInvalidPropertyValue);
    EXPECT_EQ(m_port.InBufferCount(), 5);
    m_port.SetInBufferCount(0);
    EXPECT_EQ(m_port.InBufferCount(), 0);
    EXPECT_EQ(FailureOf([&] { m_port.SetInputLen(-1); }).number(), error::kInvalidPropertyValue);
}

// A pseudo-terminal always keeps 8 data bits and no parity, so those two are not varied here.
TEST_F(QtSerialPortTest, LineSettingsReachTheDeviceAlsoWhileOpen) {
    OpenPty();
    termios line{};
    ASSERT_EQ(::tcgetattr(m_pty.Slave(), &line), 0);
    EXPECT_EQ(::cfgetospeed(&line), B9600);
    EXPECT_EQ(line.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(line.c_cflag & (PARENB | CSTOPB), 0u);
    EXPECT_EQ(line.c_oflag & OPOST, 0u);  // raw: nothing is added to the output

    m_port.SetSettings("19200,n,8,2");
    ASSERT_EQ(::tcgetattr(m_pty.Slave(), &line), 0);
    EXPECT_EQ(::cfgetospeed(&line), B19200);
    EXPECT_EQ(line.c_cflag & CSTOPB, static_cast<tcflag_t>(CSTOPB));
    EXPECT_EQ(m_port.Settings(), "19200,n,8,2");

    const Failure refused = FailureOf([&] { m_port.SetSettings("9600,n,8"); });
    EXPECT_EQ(refused.number(), port_error::kInvalidSettings);
    EXPECT_EQ(m_port.Settings(), "19200,n,8,2");
}

TEST_F(QtSerialPortTest, OpenAndCloseTellTheListener) {
    OpenPty();
    m_port.SetPortOpen(false);
    EXPECT_FALSE(m_port.PortOpen());
    m_port.SetPortOpen(false);  // closing a closed port does nothing
    EXPECT_EQ(m_changes, (std::vector<bool>{true, false}));
}

TEST_F(QtSerialPortTest, CommPortIsRefusedWhileOpenAndOutsideTheMap) {
    OpenPty();
    EXPECT_EQ(FailureOf([&] { m_port.SetCommPort(3); }).number(), port_error::kPortAlreadyOpen);
    EXPECT_EQ(FailureOf([&] { m_port.SetPortOpen(true); }).number(), port_error::kPortAlreadyOpen);
    EXPECT_EQ(m_port.CommPort(), kPtyPort);
    m_port.SetPortOpen(false);

    for (std::int16_t number : {0, 17, -1}) {
        EXPECT_EQ(FailureOf([&] { m_port.SetCommPort(number); }).number(),
                  port_error::kInvalidPortNumber)
            << number;
    }
    EXPECT_EQ(m_port.CommPort(), kPtyPort);
    m_port.SetCommPort(3);
    EXPECT_EQ(m_port.CommPort(), 3);
}

// Each failed opening names the port and why; the port stays closed and nothing is told.
TEST_F(QtSerialPortTest, AFailedOpeningNamesThePortAndTheReason) {
    testing::WriteFileBytes(m_dir.File("plain"), "text");
    m_ports.SetOverride(8, m_dir.File("plain"));
    OpenPty();
    m_changes.clear();
    QtSerialPort other(m_ports);
    struct Row {
        std::int16_t port;
        std::vector<std::string> named;  // found in the description
    };
    for (const Row& row : {Row{7, {"COM7", m_dir.File("absent7"), "does not exist"}},
                           Row{8, {"COM8"}},                      // a file that is not a port
                           Row{kPtyPort, {"COM5", "in use"}}}) {  // held by m_port
        SCOPED_TRACE(row.port);
        other.SetCommPort(row.port);
        const Failure failure = FailureOf([&] { other.SetPortOpen(true); });
        EXPECT_EQ(failure.number(), port_error::kPortUnavailable);
        for (const std::string& part : row.named) {
            EXPECT_NE(failure.description().find(part), std::string::npos) << failure.description();
        }
        EXPECT_FALSE(other.PortOpen());
    }
    EXPECT_TRUE(m_port.PortOpen());
    EXPECT_TRUE(m_changes.empty());
}

TEST_F(QtSerialPortTest, ReadsAndWritesOnAClosedPortAreRefused) {
    for (const auto& action : std::vector<std::function<void()>>{
             [&] { m_port.Output("x"); },
             [&] { m_port.Input(); },
             [&] { m_port.InBufferCount(); },
             [&] { m_port.SetInBufferCount(0); },
         }) {
        EXPECT_EQ(FailureOf(action).number(), port_error::kPortNotOpen);
    }
}

TEST_F(QtSerialPortTest, PortClosesItselfWhenTheDeviceGoesAwayWhileIdle) {
    OpenPty();
    m_pty.CloseMaster();
    EXPECT_TRUE(testing::RunEventsUntil([&] { return !m_port.PortOpen(); }, 2s));
    testing::RunEventsFor(200ms);  // the dead device must not keep the loop busy or re-close
    EXPECT_EQ(m_changes, (std::vector<bool>{true, false}));
    EXPECT_EQ(FailureOf([&] { m_port.Output(kMessage); }).number(), port_error::kPortNotOpen);
}

TEST_F(QtSerialPortTest, WritingToOrPollingAVanishedDeviceClosesThePortAndFails) {
    for (const auto& use : std::vector<std::function<void()>>{[&] { m_port.Output(kMessage); },
                                                              [&] { m_port.InBufferCount(); }}) {
        PtyPair device;
        m_ports.SetOverride(kPtyPort, device.SlavePath());
        m_changes.clear();
        OpenPty();
        device.CloseMaster();
        const Failure failure = FailureOf(use);
        EXPECT_EQ(failure.number(), port_error::kPortUnavailable);
        EXPECT_NE(failure.description().find("COM5"), std::string::npos) << failure.description();
        EXPECT_FALSE(m_port.PortOpen());
        testing::RunEventsFor(100ms);
        EXPECT_EQ(m_changes, (std::vector<bool>{true, false}));
    }
    // The port can be chosen again once a device is back.
    m_ports.SetOverride(kPtyPort, m_pty.SlavePath());
    OpenPty();
    m_port.Output("again");
    EXPECT_EQ(m_pty.Receive(5, 2s), "again");
}

// A reader that pauses fills the device's output buffer. A message that finds no room is
// dropped whole and reported as a full buffer; the port stays open and nobody is told of a
// close. Once the reader reads again the next message goes out, after what the device had
// already taken, with nothing of the dropped ones.
TEST_F(QtSerialPortTest, AFullOutputBufferDropsTheMessageAndKeepsThePortOpen) {
    OpenPty();
    const std::string block(1024, 'x');
    std::size_t accepted = 0;
    // Writes blocks until one is refused; 4 MiB at most, far more than a pty holds.
    auto fill = [&]() -> std::optional<Failure> {
        for (int i = 0; i < 4096; ++i) {
            try {
                m_port.Output(block);
                ++accepted;
            } catch (const Failure& failure) {
                return failure;
            }
        }
        return std::nullopt;
    };
    for (int round = 0; round < 2; ++round) {  // again after the event loop ran
        const std::optional<Failure> refusal = fill();
        ASSERT_TRUE(refusal.has_value()) << "the pty never filled";
        EXPECT_EQ(refusal->number(), port_error::kOutputBufferFull) << refusal->description();
        EXPECT_NE(refusal->description().find("COM5"), std::string::npos) << refusal->description();
        testing::RunEventsFor(100ms);
        EXPECT_TRUE(m_port.PortOpen());
    }
    (void)fill();
    EXPECT_EQ(FailureOf([&] { m_port.Output(kMessage); }).number(), port_error::kOutputBufferFull);
    EXPECT_EQ(m_changes, (std::vector<bool>{true}));

    std::string got;
    bool sent = false;
    for (int attempt = 0; attempt < 100 && !sent; ++attempt) {
        got += m_pty.Receive(std::size_t{1} << 24, 20ms);
        sent = SkipSilently([&] { m_port.Output(kMessage); });
    }
    ASSERT_TRUE(sent);
    got += m_pty.Receive(std::size_t{1} << 24, 200ms);
    ASSERT_GE(got.size(), kMessage.size());
    const std::size_t before = got.size() - kMessage.size();
    EXPECT_TRUE(got.compare(before, kMessage.size(), kMessage) == 0);
    EXPECT_EQ(static_cast<std::size_t>(std::count(got.begin(), got.begin() + before, 'x')), before);
    EXPECT_EQ(before, accepted * block.size());
    EXPECT_TRUE(m_port.PortOpen());
}

// A device that sends without pause costs bounded memory: the port holds at most 4096
// characters and the rest wait in the device, until a discard drops them all.
TEST_F(QtSerialPortTest, AFloodIsHeldInBoundedMemoryAndDiscardedWhole) {
    OpenPty();
    const std::string flood(std::size_t{1} << 16, 'F');
    std::size_t sent = 0;
    while (sent < flood.size()) {
        const ssize_t n = ::write(m_pty.Master(), flood.data() + sent, flood.size() - sent);
        if (n <= 0) {
            break;
        }
        sent += static_cast<std::size_t>(n);
    }
    ASSERT_GT(sent, 4096u);
    ASSERT_TRUE(m_pty.WaitSlaveReadable(2s));
    testing::RunEventsFor(100ms);
    const int waiting = m_port.InBufferCount();
    EXPECT_GT(waiting, 0);
    EXPECT_LE(waiting, 4096);
    m_port.SetInBufferCount(0);
    EXPECT_EQ(m_port.InBufferCount(), 0);  // what waited in the device is gone as well
    DeviceSends("ok");
    m_port.SetInputLen(0);
    EXPECT_EQ(m_port.Input(), "ok");
}

// Sends one message through a real port named by CORVANTIS_TEST_PORT (for example
// /dev/ttyUSB0 with a clock or a loop-back plug attached).
TEST(QtSerialPortHardwareTest, OpensWritesAndClosesTheNamedPort) {
    const char* device = std::getenv("CORVANTIS_TEST_PORT");
    if (device == nullptr || *device == '\0') {
        GTEST_SKIP() << "set CORVANTIS_TEST_PORT to a serial device to run";
    }
    testing::TestApp();
    PortMap ports = PortMap::SystemDefaults();
    ports.SetOverride(1, device);
    QtSerialPort port(ports);
    port.SetCommPort(1);
    port.SetSettings("9600,n,8,1");
    port.SetPortOpen(true);
    ASSERT_TRUE(port.PortOpen());
    port.Output(kMessage.substr(0, 35));
    port.SetInputLen(0);
    testing::RunEventsFor(300ms);
    port.Input();  // whatever the device answered; a loop-back plug returns the message
    port.SetPortOpen(false);
    EXPECT_FALSE(port.PortOpen());
}

}  // namespace
}  // namespace corvantis
