// The running PC clock and the reply poll it drives.
#include "program/live_display.h"

#include <gtest/gtest.h>

#include "serial/clock_feedback.h"

#include "form/window.h"
#include "support/fakes.h"

namespace corvantis {
namespace {

TEST(LiveDisplayTest, ShowsDateThreeBlanksTimeAndTwoDigitSeconds) {
    testing::FakePlatform fake;
    Window w;
    EXPECT_EQ(w.pcTime.Text(), "Text1") << "design text until the first tick";
    fake.clock.SetLocal(DateTime{2024, 3, 9, 14, 7, 5}, 999);
    OnDisplayTick(w, fake.clock, fake.port);
    EXPECT_EQ(w.pcTime.Text(), "03-09-2024   14:07:05");
    // Date and time come from one reading, also in the last millisecond of a year.
    fake.clock.SetLocal(DateTime{2024, 12, 31, 23, 59, 59}, 999);
    OnDisplayTick(w, fake.clock, fake.port);
    EXPECT_EQ(w.pcTime.Text(), "12-31-2024   23:59:59");
    fake.clock.SetLocal(DateTime{2024, 3, 9, 9, 5, 3});
    OnDisplayTick(w, fake.clock, fake.port);
    EXPECT_EQ(w.pcSeconds.Text(), "03") << "a leading zero, never a blank";
    EXPECT_FALSE(w.pcSeconds.Visible()) << "Text4 changes while hidden";
}

TEST(LiveDisplayTest, PollsThePortForTheClocksReply) {
    testing::FakePlatform fake;
    Window w;
    fake.port.SetPortOpen(true);
    fake.port.received = "ACK";
    OnDisplayTick(w, fake.clock, fake.port);
    EXPECT_TRUE(w.replyWait.Enabled()) << "the reply is read when the wait is over";
    OnReplyWaitEnd(w, fake.port);
    EXPECT_EQ(w.clockReply.Text(), "ACK");
    EXPECT_TRUE(w.clockReply.Visible());
    EXPECT_TRUE(w.pcSeconds.Visible());
    EXPECT_TRUE(w.clockReplyLabel.Visible());
}

}  // namespace
}  // namespace corvantis
