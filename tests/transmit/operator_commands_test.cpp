// The operator's commands driving the real tick in virtual time.
#include "transmit/operator_commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "protocol/messages.h"
#include "transmit_setup.h"

namespace corvantis {
namespace {

using namespace std::chrono_literals;
using testing::TransmitRig;

std::string Blanks(std::string text) {
    std::replace(text.begin(), text.end(), '_', ' ');
    return text;
}

// The kind digit of each message written ('L' for a 15-character local time message).
std::string KindsWritten(const TransmitRig& rig) {
    std::string kinds;
    for (const auto& message : rig.Written()) {
        kinds += message.size() == kMessageLength ? message[24] : 'L';
    }
    return kinds;
}

// A started window past the start-up command window, at 14:07:11.300 local (= UTC), with
// nothing written yet as far as the tests look.
class OperatorCommandsTest : public ::testing::Test {
protected:
    OperatorCommandsTest() {
        rig.RunUntil({2024, 3, 9, 14, 7, 11}, 300);
        rig.platform.port.writes.clear();
    }
    TransmitRig rig{{2024, 3, 9, 14, 7, 1}, 300};
};

// Each button, clicked by the operator once Attach has wired it, outside a command window.
TEST(OperatorCommandsStateTest, ButtonsSetTheStateTable) {
    struct Row {
        const char* what;
        Button Window::*button;
        const char* currAddress;
        SendMode sendMode;
        std::uint8_t flag;
        bool window;  // a command window opened
        bool clearsText3;
    };
    for (const Row& row : std::initializer_list<Row>{
             {"Pause Time", &Window::pauseTime, "0", SendMode::Addressed, 0, false, false},
             {"Resume Time", &Window::resumeTime, "0", SendMode::TimeOnly, 0, false, false},
             {"Send UTC Time Only", &Window::sendUtcTimeOnly, "0", SendMode::TimeOnly, 0, false,
              true},
             {"Send Display Rules to all", &Window::sendRules, "0", SendMode::Rules, 0, true, true},
             {"Send Display Rules, empty address", &Window::sendRules, "", SendMode::Rules, 0, true,
              true},
             {"Send Display Rules, no number", &Window::sendRules, "all", SendMode::Rules, 0, true,
              true},
             {"Send Display Rules to 5", &Window::sendRules, "5", SendMode::Addressed, 0, true,
              true},
             {"Send Display Rules to 0.5", &Window::sendRules, "0.5", SendMode::Addressed, 0, true,
              true},
             {"Send Above Address", &Window::sendAddress, "5", SendMode::Addressed, 1, true, true},
         }) {
        SCOPED_TRACE(row.what);
        testing::FakePlatform platform;
        Window window;
        testing::SetUpAsStarted(window, platform);
        AttachTransmitHandlers(window, platform.line);
        window.commandWindow.SetEnabled(false);
        window.sendMode = static_cast<SendMode>(2);  // none of the three
        window.currentAddress.SetText(row.currAddress);
        window.clockReply.SetText("reply");
        (window.*row.button).OperatorClick();
        EXPECT_EQ(window.sendMode, row.sendMode);
        EXPECT_EQ(window.setAddressFlag, row.flag);
        EXPECT_EQ(window.pleaseWait.Visible(), row.window);
        EXPECT_EQ(window.commandWindow.Enabled(), row.window);
        EXPECT_EQ(window.clockReply.Text(), row.clearsText3 ? "" : "reply");
        EXPECT_TRUE(platform.port.writes.empty());
    }
}

TEST_F(OperatorCommandsTest, RulesForAllClocksThenBackToTimeOnly) {
    rig.window.currentAddress.SetText("0");
    rig.window.sendRules.OperatorClick();
    EXPECT_TRUE(rig.window.pleaseWait.Visible());
    rig.RunFor(8s);  // window ends at 14:07:17.300
    EXPECT_EQ(KindsWritten(rig), "2221");
    EXPECT_EQ(rig.Written()[0], Blanks("*12_714_9_32024__32711172_0_-6_2_0#"));
    EXPECT_EQ(rig.Written()[3], TimeOnlyMessage({2024, 3, 9, 14, 7, 18}));
    EXPECT_FALSE(rig.window.pleaseWait.Visible());
    EXPECT_FALSE(rig.window.commandWindow.Enabled());
    EXPECT_EQ(rig.window.sendMode, SendMode::TimeOnly);
}

TEST_F(OperatorCommandsTest, NewAddressCarriesFlagOneAlsoThroughSendDisplayRules) {
    rig.window.currentAddress.SetText("5");
    rig.window.newAddress.SetText("12");
    rig.window.sendAddress.OperatorClick();
    rig.RunFor(3s);                        // 14:07:12 and 14:07:14
    rig.window.sendRules.OperatorClick();  // within the window, address not 0
    rig.RunFor(8s);                        // the window now ends at 14:07:20.300
    EXPECT_EQ(KindsWritten(rig), "333331");
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(rig.Written()[i], Blanks("*_5121___________32711173_0_-6_2_0#")) << i;
    }
    EXPECT_EQ(rig.window.setAddressFlag, 0);
}

TEST_F(OperatorCommandsTest, AWindowIsAlwaysFullSixSecondsFromTheLastPress) {
    rig.window.currentAddress.SetText("5");
    rig.window.sendAddress.OperatorClick();
    rig.RunFor(5s);
    rig.window.sendRules.OperatorClick();
    rig.RunFor(5900ms);  // 10.9 s after the first press
    EXPECT_TRUE(rig.window.pleaseWait.Visible());
    EXPECT_EQ(rig.window.sendMode, SendMode::Addressed);
    EXPECT_EQ(rig.window.setAddressFlag, 1);
    rig.RunFor(100ms);
    EXPECT_FALSE(rig.window.pleaseWait.Visible());
    EXPECT_EQ(rig.window.sendMode, SendMode::TimeOnly);
    EXPECT_EQ(rig.window.setAddressFlag, 0);
}

TEST_F(OperatorCommandsTest, PauseUnderLocalChangesNothingOnTheWire) {
    rig.window.utcOrLocal[1].SetValue(true);
    rig.window.useUtc = false;
    rig.RunFor(4s);
    rig.window.pauseTime.OperatorClick();
    rig.RunFor(4s);
    EXPECT_EQ(KindsWritten(rig), "LLLL");
    EXPECT_EQ(rig.Written()[3], LocalTimeMessage({2024, 3, 9, 14, 7, 18}));
    EXPECT_EQ(rig.window.sendMode, SendMode::Addressed);
}

TEST_F(OperatorCommandsTest, PauseAfterRulesMovesToAddressedCommandsWithFlagZero) {
    rig.window.currentAddress.SetText("0");
    rig.window.sendRules.OperatorClick();
    rig.RunFor(8s);
    rig.window.pauseTime.OperatorClick();
    rig.RunFor(4s);
    EXPECT_EQ(KindsWritten(rig), "222133");
    EXPECT_EQ(rig.Written().back(), Blanks("*_0_00___________32711173_0_-6_2_0#"));
}

TEST_F(OperatorCommandsTest, AtOncePerMinuteAWindowWithoutAMinuteChangeSendsNothing) {
    rig.window.sendRate = 1;
    rig.RunFor(1s);  // the new rate's first slice, "07", is due at 14:07:12
    rig.platform.port.writes.clear();
    rig.window.currentAddress.SetText("0");
    rig.window.sendRules.OperatorClick();
    rig.RunFor(2s);
    // Built and shown all the same.
    EXPECT_EQ(rig.window.sentMessage.Text(), Blanks("*14_714_9_32024__32711172_0_-6_2_0#"));
    rig.RunFor(6s);
    EXPECT_FALSE(rig.window.pleaseWait.Visible());
    EXPECT_TRUE(rig.Written().empty());
    rig.RunUntil({2024, 3, 9, 14, 8, 1});
    EXPECT_EQ(rig.Written(), (std::vector<std::string>{TimeOnlyMessage({2024, 3, 9, 14, 8, 0})}));
}

}  // namespace
}  // namespace corvantis
