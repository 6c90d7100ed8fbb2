// The Qt program's wait: blocks without handling events, then one event pass.
#include "ui/qt/qt_event_wait.h"

#include "ui/qt/qt_test_app.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMetaObject>

#include <chrono>

namespace corvantis {
namespace {

TEST(QtEventWaitTest, WaitBlocksWithoutEventsAndTheEventPassRunsThem) {
    QCoreApplication& app = testing::TestApp();
    QtEventWait wait;

    bool ran = false;
    QMetaObject::invokeMethod(
        &app, [&ran] { ran = true; }, Qt::QueuedConnection);

    const auto start = std::chrono::steady_clock::now();
    const std::uint32_t tickBefore = wait.TickCount();
    EXPECT_EQ(wait.Wait(0, nullptr, 50), EventWait::kWaitTimeout);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    const std::uint32_t ticked = wait.TickCount() - tickBefore;

    EXPECT_GE(elapsed, std::chrono::milliseconds(50));
    EXPECT_GE(ticked, 50u);
    EXPECT_FALSE(ran) << "the wait must not handle window events";

    wait.ProcessPendingEvents();
    EXPECT_TRUE(ran);
}

TEST(QtEventWaitTest, ANegativeTimeOutDoesNotBlock) {
    QtEventWait wait;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(wait.Wait(0, nullptr, -1), EventWait::kWaitTimeout);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

}  // namespace
}  // namespace corvantis
