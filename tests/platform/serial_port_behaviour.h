// The behaviour every SerialPort on a POSIX terminal device shares, as a typed test suite:
// each implementation's tests instantiate it with a backend, a type with
//   std::unique_ptr<SerialPort> Make(const PortMap& ports);
//   bool RunEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
// the second running the event loop the port lives on. The device is a pseudo-terminal pair.
#pragma once

#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/failure.h"
#include "platform/port_map.h"
#include "platform/serial_port.h"
#include "support/failure_of.h"
#include "support/pty_pair.h"
#include "support/temp_dir.h"

namespace corvantis::testing {

using namespace std::chrono_literals;

inline constexpr std::int16_t kPtyPort = 5;
// What the far end of a pseudo-terminal holds in its own read buffer, out of the writer's
// reach once there.
inline constexpr std::size_t kFarEndReadBuffer = 4096;
// A clock message with a byte above 127, which must go out unchanged.
inline const std::string kPortMessage = std::string("*1430090300001401+01+2-03-10-0112 #") + "\xB0";

template <typename Backend>
class SerialPortBehaviour : public ::testing::Test {
protected:
    SerialPortBehaviour() {
        // Every port points into the test's own folder; only the pty is ever opened.
        for (int n = kFirstComPort; n <= kLastComPort; ++n) {
            m_ports.SetOverride(n, m_dir.File("absent" + std::to_string(n)));
        }
        m_ports.SetOverride(kPtyPort, m_pty.SlavePath());
        m_port.AddOpenListener([this](bool open) { m_changes.push_back(open); });
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

    void RunEventsFor(std::chrono::milliseconds duration) {
        m_backend.RunEventsUntil([] { return false; }, duration);
    }

    Backend m_backend;
    TempDir m_dir;
    PtyPair m_pty;
    PortMap m_ports = PortMap::LinuxDefaults();
    std::unique_ptr<SerialPort> m_owned = m_backend.Make(m_ports);
    SerialPort& m_port = *m_owned;
    std::vector<bool> m_changes;
};

TYPED_TEST_SUITE_P(SerialPortBehaviour);

TYPED_TEST_P(SerialPortBehaviour, OutputReachesTheDeviceAtOnceInOnePieceWithNothingAppended) {
    this->OpenPty();
    this->m_port.Output(kPortMessage);  // no event loop runs between here and the read
    EXPECT_EQ(this->m_pty.Receive(kPortMessage.size(), 2s), kPortMessage);
    this->m_port.Output("\n\r12:00:00");  // raw line: no translation of line ends
    EXPECT_EQ(this->m_pty.Receive(10, 2s), "\n\r12:00:00");
    EXPECT_EQ(this->m_pty.Receive(1, 100ms), "");  // nothing more follows
}

TYPED_TEST_P(SerialPortBehaviour, InputTakesAtMostInputLenAndAllWhenFewerWait) {
    this->OpenPty();
    this->DeviceSends("0123456789");
    EXPECT_EQ(this->m_port.InBufferCount(), 10);  // seen without the event loop running
    this->m_port.SetInputLen(1);
    EXPECT_EQ(this->m_port.Input(), "0");
    this->m_port.SetInputLen(35);
    EXPECT_EQ(this->m_port.Input(), "123456789");
    EXPECT_EQ(this->m_port.Input(), "");
    EXPECT_EQ(this->m_port.InBufferCount(), 0);

    this->DeviceSends(std::string("AB\xFF", 3));
    this->m_port.SetInputLen(0);  // 0 takes everything
    EXPECT_EQ(this->m_port.Input(), std::string("AB\xFF", 3));
}

TYPED_TEST_P(SerialPortBehaviour, SettingInBufferCountToZeroDiscardsOtherValuesAreRefused) {
    this->OpenPty();
    this->DeviceSends("reply");
    ASSERT_EQ(this->m_port.InBufferCount(), 5);
    EXPECT_EQ(FailureOf([&] { this->m_port.SetInBufferCount(3); }).number(),
              error::kInvalidPropertyValue);
    EXPECT_EQ(this->m_port.InBufferCount(), 5);
    this->m_port.SetInBufferCount(0);
    EXPECT_EQ(this->m_port.InBufferCount(), 0);
    EXPECT_EQ(FailureOf([&] { this->m_port.SetInputLen(-1); }).number(),
              error::kInvalidPropertyValue);
}

// A pseudo-terminal always keeps 8 data bits and no parity, so those two are not varied here.
TYPED_TEST_P(SerialPortBehaviour, LineSettingsReachTheDeviceAlsoWhileOpen) {
    this->OpenPty();
    termios line{};
    ASSERT_EQ(::tcgetattr(this->m_pty.Slave(), &line), 0);
    EXPECT_EQ(::cfgetospeed(&line), B9600);
    EXPECT_EQ(line.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(line.c_cflag & (PARENB | CSTOPB), 0u);
    EXPECT_EQ(line.c_oflag & OPOST, 0u);  // raw: nothing is added to the output

    this->m_port.SetSettings("19200,n,8,2");
    ASSERT_EQ(::tcgetattr(this->m_pty.Slave(), &line), 0);
    EXPECT_EQ(::cfgetospeed(&line), B19200);
    EXPECT_EQ(line.c_cflag & CSTOPB, static_cast<tcflag_t>(CSTOPB));
    EXPECT_EQ(this->m_port.Settings(), "19200,n,8,2");

    const Failure refused = FailureOf([&] { this->m_port.SetSettings("9600,n,8"); });
    EXPECT_EQ(refused.number(), port_error::kInvalidSettings);
    EXPECT_EQ(this->m_port.Settings(), "19200,n,8,2");
}

TYPED_TEST_P(SerialPortBehaviour, OpenAndCloseTellTheListener) {
    this->OpenPty();
    this->m_port.SetPortOpen(false);
    EXPECT_FALSE(this->m_port.PortOpen());
    this->m_port.SetPortOpen(false);  // closing a closed port does nothing
    EXPECT_EQ(this->m_changes, (std::vector<bool>{true, false}));
}

TYPED_TEST_P(SerialPortBehaviour, CommPortIsRefusedWhileOpenAndOutsideTheMap) {
    this->OpenPty();
    EXPECT_EQ(FailureOf([&] { this->m_port.SetCommPort(3); }).number(),
              port_error::kPortAlreadyOpen);
    EXPECT_EQ(FailureOf([&] { this->m_port.SetPortOpen(true); }).number(),
              port_error::kPortAlreadyOpen);
    EXPECT_EQ(this->m_port.CommPort(), kPtyPort);
    this->m_port.SetPortOpen(false);

    for (std::int16_t number : {0, 17, -1}) {
        EXPECT_EQ(FailureOf([&] { this->m_port.SetCommPort(number); }).number(),
                  port_error::kInvalidPortNumber)
            << number;
    }
    EXPECT_EQ(this->m_port.CommPort(), kPtyPort);
    this->m_port.SetCommPort(3);
    EXPECT_EQ(this->m_port.CommPort(), 3);
}

// Each failed opening names the port and why; the port stays closed and nothing is told.
TYPED_TEST_P(SerialPortBehaviour, AFailedOpeningNamesThePortAndTheReason) {
    testing::WriteFileBytes(this->m_dir.File("plain"), "text");
    this->m_ports.SetOverride(8, this->m_dir.File("plain"));
    this->OpenPty();
    this->m_changes.clear();
    auto owned = this->m_backend.Make(this->m_ports);
    SerialPort& other = *owned;
    struct Row {
        std::int16_t port;
        std::vector<std::string> named;  // found in the description
    };
    for (const Row& row : {Row{7, {"COM7", this->m_dir.File("absent7"), "does not exist"}},
                           Row{8, {"COM8"}},                      // a file that is not a port
                           Row{kPtyPort, {"COM5", "in use"}}}) {  // held by this->m_port
        SCOPED_TRACE(row.port);
        other.SetCommPort(row.port);
        const Failure failure = FailureOf([&] { other.SetPortOpen(true); });
        EXPECT_EQ(failure.number(), port_error::kPortUnavailable);
        for (const std::string& part : row.named) {
            EXPECT_NE(failure.description().find(part), std::string::npos) << failure.description();
        }
        EXPECT_FALSE(other.PortOpen());
    }
    EXPECT_TRUE(this->m_port.PortOpen());
    EXPECT_TRUE(this->m_changes.empty());
}

TYPED_TEST_P(SerialPortBehaviour, ReadsAndWritesOnAClosedPortAreRefused) {
    for (const auto& action : std::vector<std::function<void()>>{
             [&] { this->m_port.Output("x"); },
             [&] { this->m_port.Input(); },
             [&] { this->m_port.InBufferCount(); },
             [&] { this->m_port.SetInBufferCount(0); },
         }) {
        EXPECT_EQ(FailureOf(action).number(), port_error::kPortNotOpen);
    }
}

TYPED_TEST_P(SerialPortBehaviour, PortClosesItselfWhenTheDeviceGoesAwayWhileIdle) {
    this->OpenPty();
    this->m_pty.CloseMaster();
    EXPECT_TRUE(this->m_backend.RunEventsUntil([&] { return !this->m_port.PortOpen(); }, 2s));
    this->RunEventsFor(200ms);  // the dead device must not keep the loop busy or re-close
    EXPECT_EQ(this->m_changes, (std::vector<bool>{true, false}));
    EXPECT_EQ(FailureOf([&] { this->m_port.Output(kPortMessage); }).number(),
              port_error::kPortNotOpen);
}

TYPED_TEST_P(SerialPortBehaviour, WritingToOrPollingAVanishedDeviceClosesThePortAndFails) {
    for (const auto& use : std::vector<std::function<void()>>{
             [&] { this->m_port.Output(kPortMessage); }, [&] { this->m_port.InBufferCount(); }}) {
        PtyPair device;
        this->m_ports.SetOverride(kPtyPort, device.SlavePath());
        this->m_changes.clear();
        this->OpenPty();
        device.CloseMaster();
        const Failure failure = FailureOf(use);
        EXPECT_EQ(failure.number(), port_error::kPortUnavailable);
        EXPECT_NE(failure.description().find("COM5"), std::string::npos) << failure.description();
        // The words say what happens next: the program reopens the port itself.
        EXPECT_NE(failure.description().find("reopens by itself"), std::string::npos)
            << failure.description();
        EXPECT_FALSE(this->m_port.PortOpen());
        this->RunEventsFor(100ms);
        EXPECT_EQ(this->m_changes, (std::vector<bool>{true, false}));
    }
    // The port can be chosen again once a device is back.
    this->m_ports.SetOverride(kPtyPort, this->m_pty.SlavePath());
    this->OpenPty();
    this->m_port.Output("again");
    EXPECT_EQ(this->m_pty.Receive(5, 2s), "again");
}

// A reader that pauses fills the device's output buffer. A message that finds no room is
// dropped whole and reported as a full buffer; the port stays open and nobody is told of a
// close. Once the reader reads again the next message goes out, with nothing of the dropped
// ones and nothing of what waited in the device: only what had already reached the far end's
// own read buffer (a pseudo-terminal's 4095 characters) comes before it.
TYPED_TEST_P(SerialPortBehaviour, AFullOutputBufferDropsTheMessageAndKeepsThePortOpen) {
    this->OpenPty();
    const std::string block(1024, 'x');
    std::size_t accepted = 0;
    // Writes blocks until one is refused; 4 MiB at most, far more than a pty holds.
    auto fill = [&]() -> std::optional<Failure> {
        for (int i = 0; i < 4096; ++i) {
            try {
                this->m_port.Output(block);
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
        this->RunEventsFor(100ms);
        EXPECT_TRUE(this->m_port.PortOpen());
    }
    // The refusal discarded what was queued: the device has room again, and the reader that
    // resumes finds nothing of it.
    (void)fill();
    EXPECT_EQ(this->m_changes, (std::vector<bool>{true}));

    std::string got;
    bool sent = false;
    for (int attempt = 0; attempt < 100 && !sent; ++attempt) {
        got += this->m_pty.Receive(std::size_t{1} << 24, 20ms);
        sent = SkipSilently([&] { this->m_port.Output(kPortMessage); });
    }
    ASSERT_TRUE(sent);
    got += this->m_pty.Receive(std::size_t{1} << 24, 200ms);
    ASSERT_GE(got.size(), kPortMessage.size());
    const std::size_t before = got.size() - kPortMessage.size();
    EXPECT_TRUE(got.compare(before, kPortMessage.size(), kPortMessage) == 0);
    EXPECT_EQ(static_cast<std::size_t>(std::count(got.begin(), got.begin() + before, 'x')), before);
    EXPECT_LT(before, accepted * block.size());
    EXPECT_LT(before, kFarEndReadBuffer);
    EXPECT_TRUE(this->m_port.PortOpen());
}

// Clock messages written until the line refuses one: the far end then reads whole messages
// only, never the part of one that found no room, and none of those that waited in the device
// behind its own read buffer; the next message goes out whole.
TYPED_TEST_P(SerialPortBehaviour, AStalledLineGetsNoPartOfAMessageAndNothingThatWaited) {
    this->OpenPty();
    const std::string message = "*4816 0 8122026         1         #";
    ASSERT_EQ(message.size(), 35u);
    std::size_t accepted = 0;
    std::optional<Failure> refusal;
    for (int i = 0; i < 100000 && !refusal; ++i) {
        try {
            this->m_port.Output(message);
            ++accepted;
        } catch (const Failure& failure) {
            refusal = failure;
        }
    }
    ASSERT_TRUE(refusal.has_value()) << "the pty never filled";
    EXPECT_EQ(refusal->number(), port_error::kOutputBufferFull) << refusal->description();
    this->RunEventsFor(100ms);  // nothing held back follows from the event loop either
    const std::string got = this->m_pty.Receive(std::size_t{1} << 24, 200ms);
    EXPECT_EQ(got.size() % message.size(), 0u) << got.size() << " characters";
    EXPECT_LT(got.size(), kFarEndReadBuffer);
    EXPECT_LT(got.size(), accepted * message.size());
    for (std::size_t at = 0; at + message.size() <= got.size(); at += message.size()) {
        ASSERT_EQ(got.substr(at, message.size()), message) << "at " << at;
    }
    this->m_port.Output(message);
    EXPECT_EQ(this->m_pty.Receive(message.size(), 2s), message);
    EXPECT_TRUE(this->m_port.PortOpen());
}

// A device that sends without pause costs bounded memory: the port holds at most 4096
// characters and the rest wait in the device, until a discard drops them all.
TYPED_TEST_P(SerialPortBehaviour, AFloodIsHeldInBoundedMemoryAndDiscardedWhole) {
    this->OpenPty();
    const std::string flood(std::size_t{1} << 16, 'F');
    std::size_t sent = 0;
    while (sent < flood.size()) {
        const ssize_t n = ::write(this->m_pty.Master(), flood.data() + sent, flood.size() - sent);
        if (n <= 0) {
            break;
        }
        sent += static_cast<std::size_t>(n);
    }
    ASSERT_GT(sent, 4096u);
    ASSERT_TRUE(this->m_pty.WaitSlaveReadable(2s));
    this->RunEventsFor(100ms);
    const int waiting = this->m_port.InBufferCount();
    EXPECT_GT(waiting, 0);
    EXPECT_LE(waiting, 4096);
    this->m_port.SetInBufferCount(0);
    EXPECT_EQ(this->m_port.InBufferCount(), 0);  // what waited in the device is gone as well
    this->DeviceSends("ok");
    this->m_port.SetInputLen(0);
    EXPECT_EQ(this->m_port.Input(), "ok");
}

REGISTER_TYPED_TEST_SUITE_P(SerialPortBehaviour,
                            OutputReachesTheDeviceAtOnceInOnePieceWithNothingAppended,
                            InputTakesAtMostInputLenAndAllWhenFewerWait,
                            SettingInBufferCountToZeroDiscardsOtherValuesAreRefused,
                            LineSettingsReachTheDeviceAlsoWhileOpen, OpenAndCloseTellTheListener,
                            CommPortIsRefusedWhileOpenAndOutsideTheMap,
                            AFailedOpeningNamesThePortAndTheReason,
                            ReadsAndWritesOnAClosedPortAreRefused,
                            PortClosesItselfWhenTheDeviceGoesAwayWhileIdle,
                            WritingToOrPollingAVanishedDeviceClosesThePortAndFails,
                            AFullOutputBufferDropsTheMessageAndKeepsThePortOpen,
                            AStalledLineGetsNoPartOfAMessageAndNothingThatWaited,
                            AFloodIsHeldInBoundedMemoryAndDiscardedWhole);

}  // namespace corvantis::testing
