// The Win32 COM port under wine, with COM1 linked to a pseudo-terminal whose device end the
// test plays: the same behaviour the Qt port shows on Linux. The port runs in port_driver.exe,
// which takes one command a line.
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/serial_port.h"
#include "support/pty_pair.h"
#include "windows_e2e/support/wine_prefix.h"

namespace corvantis {
namespace {

using namespace std::chrono_literals;
using testing::WinePrefix;

class PortDriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        prefix.LinkComPort(1, line.SlavePath());
        driver = prefix.Start(CORVANTIS_PORT_DRIVER, {});
        ASSERT_EQ(Ask("port 1"), "ok");
    }
    void TearDown() override {
        driver.reset();
        prefix.UnlinkComPort(1);
    }

    // Sends one command and returns its answer line; listener lines met on the way are kept
    // in `told`.
    std::string Ask(const std::string& command) {
        driver->Write(command + "\n");
        for (;;) {
            const std::string answer = NextLine();
            if (answer.rfind("listener ", 0) == 0) {
                told.push_back(answer.substr(9));
                continue;
            }
            return answer;
        }
    }

    // Asks `command` until its answer is `expected` or two seconds pass; the last answer.
    std::string AskUntil(const std::string& command, const std::string& expected) {
        std::string answer;
        for (int i = 0; i < 100 && (answer = Ask(command)) != expected; ++i) {
            std::this_thread::sleep_for(20ms);
        }
        return answer;
    }

    WinePrefix& prefix = WinePrefix::Shared();
    testing::PtyPair line;
    std::unique_ptr<testing::WineProcess> driver;
    std::vector<std::string> told;

private:
    std::string NextLine() {
        for (;;) {
            const auto end = driver->Out().find('\n', m_read);
            if (end != std::string::npos) {
                std::string text = driver->Out().substr(m_read, end - m_read);
                m_read = end + 1;
                if (!text.empty() && text.back() == '\r') {
                    text.pop_back();
                }
                return text;
            }
            if (!driver->WaitFor("\n", 30s) && !driver->Running()) {
                return "driver ended: " + driver->Err();
            }
            if (driver->Out().find('\n', m_read) == std::string::npos) {
                driver->Gather();
                if (!driver->Running()) {
                    return "driver ended: " + driver->Err();
                }
            }
        }
    }
    std::size_t m_read = 0;
};

TEST_F(PortDriverTest, OutputReachesTheDeviceAtOnceInOnePieceWithNothingAppended) {
    ASSERT_EQ(Ask("open"), "ok");
    EXPECT_EQ(told, std::vector<std::string>{"open"});
    const std::string message = "* 41114 7122026         1         #";
    ASSERT_EQ(Ask("output " + message), "ok");
    EXPECT_EQ(line.Receive(message.size(), 2000ms), message);
    EXPECT_EQ(line.Receive(1, 200ms), "") << "nothing appended";
}

TEST_F(PortDriverTest, InputTakesAtMostInputLenAndAllWhenFewerWaitBytesAsTheyCame) {
    ASSERT_EQ(Ask("open"), "ok");
    line.Send("ABCDEFGHIJ");
    ASSERT_EQ(AskUntil("count", "value 10"), "value 10");
    EXPECT_EQ(Ask("inputlen 4"), "ok");
    EXPECT_EQ(Ask("input"), "value ABCD");
    EXPECT_EQ(Ask("inputlen 36"), "ok");
    EXPECT_EQ(Ask("input"), "value EFGHIJ");
    EXPECT_EQ(Ask("input"), "value ");
    // Every byte comes back as it came: no line-end or character translation.
    line.Send(std::string("\x00\xff\r\n", 4));
    ASSERT_EQ(AskUntil("count", "value 4"), "value 4");
    EXPECT_EQ(Ask("input"), "value \\x00\\xFF\\x0D\\x0A");
    line.Send("xyz");
    ASSERT_EQ(AskUntil("count", "value 3"), "value 3");
    EXPECT_EQ(Ask("discard"), "ok");
    EXPECT_EQ(Ask("count"), "value 0");
}

// A device that sends without pause costs bounded memory: the port holds at most 4096
// characters and the rest wait in the device, until a discard drops them all.
TEST_F(PortDriverTest, AFloodIsHeldInBoundedMemoryAndDiscardedWhole) {
    ASSERT_EQ(Ask("open"), "ok");
    const std::string flood(std::size_t{1} << 16, 'F');
    std::size_t sent = 0;
    while (sent < flood.size()) {
        const ssize_t n = ::write(line.Master(), flood.data() + sent, flood.size() - sent);
        if (n <= 0) {
            break;
        }
        sent += static_cast<std::size_t>(n);
    }
    ASSERT_GT(sent, 8192u);
    ASSERT_EQ(AskUntil("count", "value 4096"), "value 4096");
    EXPECT_EQ(Ask("discard"), "ok");
    EXPECT_EQ(Ask("count"), "value 0") << "what waited in the device is gone as well";
    line.Send("ok");
    ASSERT_EQ(AskUntil("count", "value 2"), "value 2");
    EXPECT_EQ(Ask("input"), "value ok");
}

TEST_F(PortDriverTest, LineSettingsReachTheDeviceAlsoWhileOpen) {
    ASSERT_EQ(Ask("open"), "ok");
    termios mode{};
    ASSERT_EQ(::tcgetattr(line.Slave(), &mode), 0);
    EXPECT_EQ(::cfgetospeed(&mode), B9600);
    EXPECT_EQ(mode.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(mode.c_cflag & (PARENB | CSTOPB), 0u) << "no parity, one stop bit";

    // A pseudo-terminal keeps 8 data bits and no parity whatever it is asked (the kernel's
    // rule for ptys): the speed and the stop bits show that the settings reached it.
    ASSERT_EQ(Ask("settings 19200,e,7,2"), "ok");
    ASSERT_EQ(::tcgetattr(line.Slave(), &mode), 0);
    EXPECT_EQ(::cfgetospeed(&mode), B19200);
    EXPECT_EQ(mode.c_cflag & CSTOPB, static_cast<tcflag_t>(CSTOPB));
}

TEST_F(PortDriverTest, AVanishedDeviceMetByAWriteOrAPollClosesThePortOnceAndTellsTheListener) {
    struct Row {
        const char* use;
        const char* during;
    };
    for (const Row& row : {Row{"output * 41114 7122026         1         #", "writing"},
                           Row{"count", "reading"}, Row{"input", "reading"}}) {
        SCOPED_TRACE(row.use);
        testing::PtyPair device;
        prefix.LinkComPort(1, device.SlavePath());
        told.clear();
        ASSERT_EQ(Ask("open"), "ok");
        device.CloseMaster();
        const std::string answer = Ask(row.use);
        EXPECT_EQ(answer.rfind("failure " + std::to_string(port_error::kPortUnavailable) +
                                   " COM1 went away while " + row.during,
                               0),
                  0u)
            << answer;
        EXPECT_NE(answer.find("reopens by itself once the device is back"), std::string::npos)
            << answer;
        EXPECT_EQ(told, (std::vector<std::string>{"open", "closed"}));
        EXPECT_EQ(Ask("state"), "value closed dropped 0");
        // Afterwards the port is simply closed: refused at once, nothing more is told.
        EXPECT_EQ(Ask(row.use).rfind("failure " + std::to_string(port_error::kPortNotOpen), 0), 0u);
        EXPECT_EQ(told.size(), 2u);
    }
}

TEST_F(PortDriverTest, ALinkToNothingIsAFailedOpenNotAnOpenPort) {
    prefix.LinkComPort(1, prefix.Scratch() + "/no-such-device");
    const std::string answer = Ask("open");
    EXPECT_EQ(answer.rfind("failure " + std::to_string(port_error::kPortUnavailable) +
                               " COM1 cannot be opened",
                           0),
              0u)
        << answer;
    EXPECT_EQ(Ask("state"), "value closed dropped 0");
    EXPECT_TRUE(told.empty());
}

}  // namespace
}  // namespace corvantis
