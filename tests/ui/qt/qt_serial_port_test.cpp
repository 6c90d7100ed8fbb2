#include "ui/qt/qt_serial_port.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "platform/serial_port_behaviour.h"
#include "ui/qt/qt_test_app.h"

namespace corvantis {
namespace {

using namespace std::chrono_literals;
using testing::kPortMessage;

// QtSerialPort on the Qt event loop.
struct QtBackend {
    QtBackend() { testing::TestApp(); }
    std::unique_ptr<SerialPort> Make(const PortMap& ports) {
        return std::make_unique<QtSerialPort>(ports);
    }
    bool RunEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
        return testing::RunEventsUntil(done, timeout);
    }
};

using namespace testing;  // the shared suite's names
INSTANTIATE_TYPED_TEST_SUITE_P(Qt, SerialPortBehaviour, QtBackend);

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
    port.Output(kPortMessage.substr(0, 35));
    port.SetInputLen(0);
    testing::RunEventsFor(300ms);
    port.Input();  // whatever the device answered; a loop-back plug returns the message
    port.SetPortOpen(false);
    EXPECT_FALSE(port.PortOpen());
}

}  // namespace
}  // namespace corvantis
