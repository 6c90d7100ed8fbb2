#include "ui/qt/qt_timer_service.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "ui/qt/qt_aligned_timer.h"
#include "ui/qt/qt_test_app.h"

namespace corvantis {
namespace {

using namespace std::chrono_literals;
using std::chrono::nanoseconds;

constexpr nanoseconds kTenth = 100ms;

nanoseconds WallNow() {
    return std::chrono::duration_cast<nanoseconds>(
        std::chrono::system_clock::now().time_since_epoch());
}

using AlignedFactory = std::unique_ptr<AlignedTimer> (*)(std::function<void()>);

class AlignedTimerTest : public ::testing::TestWithParam<AlignedFactory> {
protected:
    AlignedTimerTest() { testing::TestApp(); }
};

// Collects the wall-clock time of each tick.
struct TickLog {
    std::vector<nanoseconds> at;
    void Record() { at.push_back(WallNow()); }
};

TEST_P(AlignedTimerTest, TicksLandJustAfterTenthsOfASecondInOrder) {
    TickLog log;
    auto timer = GetParam()([&] { log.Record(); });
    timer->Start(100ms);
    ASSERT_TRUE(testing::RunEventsUntil([&] { return log.at.size() >= 12; }, 10s));
    timer->Stop();

    std::vector<nanoseconds> lateness;
    for (std::size_t i = 0; i < log.at.size(); ++i) {
        lateness.push_back(log.at[i] % kTenth);
        if (i > 0) {
            // Each tick in a later tenth than the one before: two ticks in one tenth would mean
            // one of them came before its boundary.
            EXPECT_GT(log.at[i] / kTenth, log.at[i - 1] / kTenth) << "tick " << i;
        }
    }
    // A tick early by a little would look almost a whole tenth late; most ticks land in the
    // first half of their tenth even on a loaded machine.
    std::nth_element(lateness.begin(), lateness.begin() + lateness.size() / 2, lateness.end());
    EXPECT_LT(lateness[lateness.size() / 2], kTenth / 2);
}

TEST_P(AlignedTimerTest, MissedBoundariesGiveOneTickNotABurst) {
    TickLog log;
    auto timer = GetParam()([&] {
        log.Record();
        if (log.at.size() == 1) {
            std::this_thread::sleep_for(350ms);  // the thread is busy over three boundaries
        }
    });
    timer->Start(100ms);
    ASSERT_TRUE(testing::RunEventsUntil([&] { return log.at.size() >= 3; }, 10s));
    timer->Stop();
    const nanoseconds busyUntil = log.at[0] + 350ms;
    EXPECT_GT(log.at[1] / kTenth, busyUntil / kTenth);  // only after the busy stretch ended
    EXPECT_GT(log.at[2] / kTenth, log.at[1] / kTenth);
}

TEST_P(AlignedTimerTest, StopInsideATickEndsTheTicks) {
    int ticks = 0;
    std::unique_ptr<AlignedTimer> timer;
    timer = GetParam()([&] {
        ++ticks;
        timer->Stop();
    });
    timer->Start(100ms);
    ASSERT_TRUE(testing::RunEventsUntil([&] { return ticks == 1; }, 5s));
    testing::RunEventsFor(350ms);
    EXPECT_EQ(ticks, 1);

    timer->Start(100ms);  // and it can start again
    EXPECT_TRUE(testing::RunEventsUntil([&] { return ticks == 2; }, 5s));
}

TEST_P(AlignedTimerTest, TickIsNotReenteredByAnEventPassInsideIt) {
    int depth = 0;
    int deepest = 0;
    int ticks = 0;
    auto timer = GetParam()([&] {
        ++ticks;
        deepest = std::max(deepest, ++depth);
        if (ticks == 1) {
            testing::RunEventsFor(250ms);  // like the wait before reading a clock's reply
        }
        --depth;
    });
    timer->Start(100ms);
    ASSERT_TRUE(testing::RunEventsUntil([&] { return ticks >= 3; }, 10s));
    timer->Stop();
    EXPECT_EQ(deepest, 1);
}

INSTANTIATE_TEST_SUITE_P(Kinds, AlignedTimerTest,
                         ::testing::Values(&CreateSystemAlignedTimer, &CreateQtAlignedTimer),
                         [](const auto& info) {
                             return std::string(info.index == 0 ? "System" : "QTimer");
                         });

// Both kinds of timer the service makes tick until stopped; an aligned one ticks in a later
// tenth each time (the aligned timers themselves are tested above).
TEST(QtTimerServiceTest, TimersTickUntilStopped) {
    testing::TestApp();
    QtTimerService service;
    for (const bool aligned : {false, true}) {
        SCOPED_TRACE(aligned ? "aligned" : "unaligned");
        TickLog log;
        auto timer = service.CreateTimer([&] { log.Record(); });
        timer->Start(aligned ? 100ms : 20ms, aligned);
        ASSERT_TRUE(testing::RunEventsUntil([&] { return log.at.size() >= 4; }, 5s));
        timer->Stop();
        for (std::size_t i = 1; aligned && i < log.at.size(); ++i) {
            EXPECT_GT(log.at[i] / kTenth, log.at[i - 1] / kTenth);
        }
        const std::size_t stoppedAt = log.at.size();
        testing::RunEventsFor(250ms);
        EXPECT_EQ(log.at.size(), stoppedAt);
    }
}

}  // namespace
}  // namespace corvantis
