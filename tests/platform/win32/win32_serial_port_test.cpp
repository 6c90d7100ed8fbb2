// The COM port under wine. The bytes on the wire, the clock's reply and a device pulled
// while open are checked end to end through a pseudo-terminal whose far end the test holds
// (tests/windows_e2e); here: what the port refuses, how it reports, and a device that stops
// taking bytes.
#include "platform/win32/win32_serial_port.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/failure_of.h"

namespace corvantis {
namespace {

using testing::FailureOf;

constexpr std::int16_t kPresent = 3;   // a fresh pseudo-terminal at each open; no one reads it
constexpr std::int16_t kAbsent = 7;    // no device
constexpr std::int16_t kDangling = 9;  // a link to nothing

class Win32SerialPortTest : public ::testing::Test {
protected:
    Win32SerialPortTest() {
        m_port.AddOpenListener([this](bool open) { m_told.push_back(open); });
    }
    PortMap m_ports = PortMap::WindowsDefaults();
    Win32SerialPort m_port{m_ports};
    std::vector<bool> m_told;
};

TEST_F(Win32SerialPortTest, OpenAndCloseTellTheListenerOnce) {
    m_port.SetCommPort(kPresent);
    m_port.SetPortOpen(true);
    EXPECT_TRUE(m_port.PortOpen());
    m_port.SetPortOpen(false);
    EXPECT_FALSE(m_port.PortOpen());
    m_port.SetPortOpen(false);  // closing a closed port does nothing
    EXPECT_EQ(m_told, (std::vector<bool>{true, false}));
}

TEST_F(Win32SerialPortTest, AFailedOpeningNamesThePortAndTheReasonAndLeavesItClosed) {
    struct Row {
        std::int16_t number;
        const char* reason;  // a piece of the description
    };
    for (const Row& row : {Row{kAbsent, "does not exist"}, Row{kDangling, "cannot be opened"}}) {
        SCOPED_TRACE(row.number);
        m_port.SetCommPort(row.number);
        const Failure failure = FailureOf([&] { m_port.SetPortOpen(true); });
        EXPECT_EQ(failure.number(), port_error::kPortUnavailable);
        EXPECT_NE(failure.description().find("COM" + std::to_string(row.number)), std::string::npos)
            << failure.description();
        EXPECT_NE(failure.description().find(row.reason), std::string::npos)
            << failure.description();
        EXPECT_FALSE(m_port.PortOpen());
    }
    EXPECT_TRUE(m_told.empty());
}

TEST_F(Win32SerialPortTest, PropertiesAreRefusedWithTheSameNumbersAsOnLinux) {
    struct Row {
        const char* what;
        bool open;  // with the port open
        std::function<void(Win32SerialPort&)> action;
        int number;
    };
    const std::vector<Row> rows = {
        {"port 0", false, [](auto& p) { p.SetCommPort(0); }, port_error::kInvalidPortNumber},
        {"port 17", false, [](auto& p) { p.SetCommPort(17); }, port_error::kInvalidPortNumber},
        {"settings text", false, [](auto& p) { p.SetSettings("9600,n,8"); },
         port_error::kInvalidSettings},
        {"negative InputLen", false, [](auto& p) { p.SetInputLen(-1); },
         error::kInvalidPropertyValue},
        {"read closed", false, [](auto& p) { p.Input(); }, port_error::kPortNotOpen},
        {"count closed", false, [](auto& p) { p.InBufferCount(); }, port_error::kPortNotOpen},
        {"discard closed", false, [](auto& p) { p.SetInBufferCount(0); }, port_error::kPortNotOpen},
        {"write closed", false, [](auto& p) { p.Output("x"); }, port_error::kPortNotOpen},
        {"port while open", true, [](auto& p) { p.SetCommPort(4); }, port_error::kPortAlreadyOpen},
        {"open twice", true, [](auto& p) { p.SetPortOpen(true); }, port_error::kPortAlreadyOpen},
        {"buffer count 3", true, [](auto& p) { p.SetInBufferCount(3); },
         error::kInvalidPropertyValue},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Win32SerialPort port(m_ports);
        port.SetCommPort(kPresent);
        if (row.open) {
            port.SetPortOpen(true);
        }
        EXPECT_EQ(FailureOf([&] { row.action(port); }).number(), row.number);
        EXPECT_EQ(port.PortOpen(), row.open) << "a refusal leaves the port as it was";
        EXPECT_EQ(port.CommPort(), kPresent);
    }
}

TEST_F(Win32SerialPortTest, LineSettingsAreTakenAlsoWhileOpen) {
    m_port.SetCommPort(kPresent);
    m_port.SetPortOpen(true);
    m_port.SetSettings("19200,e,7,2");
    EXPECT_EQ(m_port.Settings(), "19200,e,7,2");
    EXPECT_EQ(FailureOf([&] { m_port.SetSettings("9600,x,8,1"); }).number(),
              port_error::kInvalidSettings);
    EXPECT_EQ(m_port.Settings(), "19200,e,7,2");
    m_port.SetSettings("9600,n,8,1");
    EXPECT_TRUE(m_port.PortOpen());
}

TEST_F(Win32SerialPortTest, NothingReceivedReadsAsEmptyWithoutWaiting) {
    m_port.SetCommPort(kPresent);
    m_port.SetPortOpen(true);
    EXPECT_EQ(m_port.InBufferCount(), 0);
    EXPECT_EQ(m_port.Input(), "");
    m_port.SetInBufferCount(0);
}

TEST_F(Win32SerialPortTest, ADeviceThatStopsTakingBytesDropsMessagesButStaysOpen) {
    m_port.SetCommPort(kPresent);
    m_port.SetPortOpen(true);
    const std::string message(35, 'x');
    // No one reads the pseudo-terminal: its buffer fills after some kilobytes. Until then
    // every write goes through; then the text is refused as having no room.
    Failure refused(0, "");
    for (int i = 0; i < 4000 && refused.number() == 0; ++i) {
        refused = FailureOf([&] { m_port.Output(message); });
    }
    EXPECT_EQ(refused.number(), port_error::kOutputBufferFull) << refused.description();
    EXPECT_NE(refused.description().find("COM3"), std::string::npos) << refused.description();
    EXPECT_EQ(m_port.DroppedWrites(), 1u);
    EXPECT_TRUE(m_port.PortOpen());
    EXPECT_EQ(m_told, std::vector<bool>{true}) << "a full buffer is not a removal";
}

}  // namespace
}  // namespace corvantis
