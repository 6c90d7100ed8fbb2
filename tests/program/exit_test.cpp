// "Close and Exit", the unload and the notification-icon messages.
#include "program/exit.h"

#include <gtest/gtest.h>

#include "form/window.h"
#include "support/fakes.h"

namespace corvantis {
namespace {

using testing::FakeWindowHost;

// With the port open or closed: the port is closed only when open, the GPS port is stored,
// and the program ends.
TEST(ExitTest, CloseAndExitClosesThePortStoresTheGpsPortAndEnds) {
    for (const bool open : {true, false}) {
        SCOPED_TRACE(open ? "open" : "closed");
        testing::FakePlatform fake;
        Window w;
        FakeWindowHost host;
        fake.port.SetPortOpen(open);
        fake.port.closeCalls = 0;
        w.gpsPort.SetText("COM4");
        OnCloseAndExit(w, fake.port, fake.settings, host);
        EXPECT_FALSE(fake.port.PortOpen());
        EXPECT_EQ(fake.port.closeCalls, open ? 1 : 0);
        EXPECT_EQ(fake.profile.log,
                  (std::vector<std::string>{testing::kFakeCorvantisIni + "|GPS|COMPORT=COM4"}));
        EXPECT_EQ(host.calls, (std::vector<std::string>{"remove-icon", "unload", "end"}));
    }
}

TEST(ExitTest, TheCloseBoxRemovesTheIconAndStoresNothing) {
    testing::FakePlatform fake;
    Window w;
    FakeWindowHost host;
    fake.port.SetPortOpen(true);
    Form_Unload(host);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"remove-icon", "unload"}));
    EXPECT_TRUE(fake.profile.log.empty());
    EXPECT_EQ(fake.port.closeCalls, 0) << "the port goes with the window, not by a handler";
}

TEST(ExitTest, OnlyTheFourButtonMessagesRestoreTheWindow) {
    testing::FakePlatform fake;
    Window w;
    FakeWindowHost host;
    host.scale = 0.5;  // window units are twice as fine as pixels
    for (const double pixels : {513.0, 515.0, 516.0, 518.0, 514.0, 517.0, 512.0, 100.0}) {
        w.displayTick.SetEnabled(false);
        host.calls.clear();
        Form_MouseMove(w, host, pixels * 2);
        const bool restores = pixels == 513 || pixels == 515 || pixels == 516 || pixels == 518;
        EXPECT_EQ(w.displayTick.Enabled(), restores) << pixels;
        EXPECT_EQ(host.calls.size(), restores ? 1u : 0u) << pixels;
    }
    // Converted X is rounded half to even: 1027 units are 513.5 pixels, which rounds to 514.
    w.displayTick.SetEnabled(false);
    Form_MouseMove(w, host, 1027);
    EXPECT_FALSE(w.displayTick.Enabled());
}

}  // namespace
}  // namespace corvantis
