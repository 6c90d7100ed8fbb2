#include "ui/qt/qt_serial_port.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

#include "platform/serial_port_behaviour.h"
#include "serial/port_reconnect.h"
#include "support/fakes.h"
#include "ui/qt/qt_test_app.h"
#include "ui/qt/qt_timer_service.h"

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

// A USB adapter pulled and plugged back: the device behind the port's stable name (a link, as
// /dev/serial/by-id names are) goes away and another appears at the same name. The port
// closes when the program next polls it, then reopens by itself and carries messages again.
TEST(QtSerialPortReconnectTest, APortLostAndRecreatedAtTheSameNameReopensByItself) {
    testing::TestApp();
    testing::TempDir dir;
    PortMap ports = PortMap::LinuxDefaults();
    QtSerialPort devicePort(ports);
    const std::string name = dir.File("adapter");
    auto device = std::make_unique<testing::PtyPair>();
    ASSERT_EQ(::symlink(device->SlavePath().c_str(), name.c_str()), 0);
    ports.SetOverride(testing::kPtyPort, name);
    QtTimerService timers;
    testing::FakeStatusLine status;
    ReconnectingPort port(devicePort, timers, status);
    port.SetCommPort(testing::kPtyPort);
    port.SetSettings("9600,n,8,1");
    port.SetPortOpen(true);

    device->CloseMaster();
    EXPECT_THROW(port.InBufferCount(), Failure);  // the display tick's poll finds it gone
    EXPECT_TRUE(port.Retrying());
    testing::RunEventsFor(1s);  // retries fail while nothing is behind the name
    EXPECT_FALSE(port.PortOpen());

    device = std::make_unique<testing::PtyPair>();
    ASSERT_EQ(::unlink(name.c_str()), 0);
    ASSERT_EQ(::symlink(device->SlavePath().c_str(), name.c_str()), 0);
    ASSERT_TRUE(testing::RunEventsUntil([&] { return port.PortOpen(); }, 6s));
    port.Output("back");
    EXPECT_EQ(device->Receive(4, 2s), "back");
    EXPECT_EQ(status.warnings.size(), 2u);
    EXPECT_FALSE(port.Retrying());
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
    port.Output(kPortMessage.substr(0, 35));
    port.SetInputLen(0);
    testing::RunEventsFor(300ms);
    port.Input();  // whatever the device answered; a loop-back plug returns the message
    port.SetPortOpen(false);
    EXPECT_FALSE(port.PortOpen());
}

}  // namespace
}  // namespace corvantis
