#include "platform/win32/win32_timer_service.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

namespace corvantis {
namespace {

using namespace std::chrono_literals;
using std::chrono::nanoseconds;
using Clock = std::chrono::steady_clock;

constexpr nanoseconds kTenth = 100ms;

nanoseconds WallNow() {
    FILETIME now{};
    GetSystemTimePreciseAsFileTime(&now);
    const std::int64_t since1601 =
        (static_cast<std::int64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return nanoseconds((since1601 - 116'444'736'000'000'000) * 100);
}

// Runs the loop's rounds until `done` holds or `limit` passes.
template <typename Done>
bool RunUntil(Win32EventLoop& loop, Done done, std::chrono::milliseconds limit) {
    const auto end = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() >= end) {
            return false;
        }
        loop.RunOnce(20);
    }
    return true;
}

void RunFor(Win32EventLoop& loop, std::chrono::milliseconds span) {
    RunUntil(
        loop, [] { return false; }, span);
}

// The wall-clock time of each tick.
struct TickLog {
    std::vector<nanoseconds> at;
    void Record() { at.push_back(WallNow()); }
};

class Win32TimerTest : public ::testing::Test {
protected:
    Win32EventLoop loop;
    Win32TimerService service{loop};
};

TEST_F(Win32TimerTest, AlignedTicksLandJustAfterTenthsOfASecondInOrder) {
    TickLog log;
    auto timer = service.CreateTimer([&] { log.Record(); });
    timer->Start(100ms, true);
    ASSERT_TRUE(RunUntil(
        loop, [&] { return log.at.size() >= 12; }, 10s));
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

// The window's timer controls, asked for every 100 ms, wake only just after whole seconds;
// any other timer keeps its period.
TEST_F(Win32TimerTest, TheWindowsTimersWakeOnWholeSecondsOnly) {
    struct Row {
        const char* name;
        std::size_t fewest, most;  // ticks in 2.3 s
    };
    for (const Row& row :
         {Row{"SendUDP", 2, 3}, Row{"Timer1", 2, 3}, Row{"Timer2", 2, 3}, Row{"Timer3", 15, 24}}) {
        SCOPED_TRACE(row.name);
        TickLog log;
        auto timer = service.CreateTimerFor(row.name, [&] { log.Record(); });
        timer->Start(100ms, std::string(row.name) == "SendUDP");
        RunFor(loop, 2300ms);
        timer->Stop();
        EXPECT_GE(log.at.size(), row.fewest);
        EXPECT_LE(log.at.size(), row.most);
        for (std::size_t i = 1; row.most <= 3 && i < log.at.size(); ++i) {
            EXPECT_GT(log.at[i] / 1s, log.at[i - 1] / 1s) << "tick " << i;
        }
    }
}

TEST_F(Win32TimerTest, MissedBoundariesGiveOneTickNotABurst) {
    TickLog log;
    auto timer = service.CreateTimer([&] {
        log.Record();
        if (log.at.size() == 1) {
            std::this_thread::sleep_for(350ms);  // the thread is busy over three boundaries
        }
    });
    timer->Start(100ms, true);
    ASSERT_TRUE(RunUntil(
        loop, [&] { return log.at.size() >= 3; }, 10s));
    timer->Stop();
    const nanoseconds busyUntil = log.at[0] + 350ms;
    EXPECT_GT(log.at[1] / kTenth, busyUntil / kTenth);  // only after the busy stretch ended
    EXPECT_GT(log.at[2] / kTenth, log.at[1] / kTenth);
}

TEST_F(Win32TimerTest, StopInsideATickEndsTheTicksAndStartResumesThem) {
    for (const bool aligned : {true, false}) {
        SCOPED_TRACE(aligned ? "aligned" : "unaligned");
        int ticks = 0;
        std::unique_ptr<PlatformTimer> timer;
        timer = service.CreateTimer([&] {
            ++ticks;
            timer->Stop();
        });
        timer->Start(50ms, aligned);
        ASSERT_TRUE(RunUntil(
            loop, [&] { return ticks == 1; }, 5s));
        RunFor(loop, 300ms);
        EXPECT_EQ(ticks, 1);
        timer->Start(50ms, aligned);
        EXPECT_TRUE(RunUntil(
            loop, [&] { return ticks == 2; }, 5s));
    }
}

TEST_F(Win32TimerTest, ATimerDestroyedInsideItsOwnTickTicksNoMore) {
    int ticks = 0;
    std::unique_ptr<PlatformTimer> timer;
    timer = service.CreateTimer([&] {
        ++ticks;
        timer.reset();
    });
    timer->Start(20ms, false);
    ASSERT_TRUE(RunUntil(
        loop, [&] { return ticks == 1; }, 5s));
    RunFor(loop, 200ms);
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(timer, nullptr);
}

TEST_F(Win32TimerTest, AnEventPassInsideATickRunsOtherTimersButNeverTheSameTickAgain) {
    Win32LoopEventWait wait(loop);
    int depth = 0, deepest = 0, ticks = 0, otherTicks = 0, otherInsidePass = 0;
    auto timer = service.CreateTimer([&] {
        ++ticks;
        deepest = std::max(deepest, ++depth);
        if (ticks == 1) {
            // Like the wait before reading a clock's reply: passes over 250 ms.
            const auto end = Clock::now() + 250ms;
            while (Clock::now() < end) {
                Sleep(5);
                wait.ProcessPendingEvents();
            }
        }
        --depth;
    });
    auto other = service.CreateTimer([&] {
        ++otherTicks;
        otherInsidePass += depth;
    });
    timer->Start(100ms, true);
    other->Start(100ms, true);
    ASSERT_TRUE(RunUntil(
        loop, [&] { return ticks >= 3; }, 10s));
    EXPECT_EQ(deepest, 1);
    EXPECT_GT(otherInsidePass, 0) << "the other timer ticked inside the pass";
}

TEST_F(Win32TimerTest, UnalignedTicksComeAnIntervalApartAndStopWhenStopped) {
    std::vector<Clock::time_point> at;
    auto timer = service.CreateTimer([&] { at.push_back(Clock::now()); });
    const auto started = Clock::now();
    timer->Start(30ms, false);
    ASSERT_TRUE(RunUntil(
        loop, [&] { return at.size() >= 5; }, 5s));
    timer->Stop();
    // Never early: the n-th tick comes at least n intervals after the start.
    for (std::size_t i = 0; i < at.size(); ++i) {
        EXPECT_GE(at[i] - started, (i + 1) * 30ms - 1ms) << "tick " << i;
    }
    const std::size_t stoppedAt = at.size();
    RunFor(loop, 150ms);
    EXPECT_EQ(at.size(), stoppedAt);
}

TEST_F(Win32TimerTest, TheFirstTickHookRunsOnceBeforeTheFirstTickNeverBeforeItsBoundary) {
    std::vector<nanoseconds> hooked;
    int ticksAtHook = -1, ticks = 0;
    service.OnFirstTick([&](nanoseconds lateness) {
        hooked.push_back(lateness);
        ticksAtHook = ticks;
    });
    auto timer = service.CreateTimer([&] { ++ticks; });
    timer->Start(100ms, true);
    ASSERT_TRUE(RunUntil(
        loop, [&] { return ticks >= 3; }, 5s));
    ASSERT_EQ(hooked.size(), 1u);
    EXPECT_EQ(ticksAtHook, 0);
    EXPECT_GE(hooked[0], 0ns) << "the first tick came before its boundary";
}

// After a resume from sleep every running aligned timer is aimed at its next boundary again;
// stopped and destroyed timers are left alone.
TEST_F(Win32TimerTest, RealignAimsRunningAlignedTimersAtTheirNextBoundaryOnly) {
    TickLog aligned;
    int stoppedTicks = 0;
    auto running = service.CreateTimer([&] { aligned.Record(); });
    auto stopped = service.CreateTimer([&] { ++stoppedTicks; });
    service.CreateTimer([] {}).reset();  // destroyed: Realign must not reach it
    running->Start(100ms, true);
    stopped->Start(100ms, true);
    stopped->Stop();
    for (int i = 0; i < 5; ++i) {
        service.Realign();
        RunFor(loop, 30ms);
    }
    ASSERT_TRUE(RunUntil(
        loop, [&] { return aligned.at.size() >= 4; }, 10s));
    running->Stop();
    for (std::size_t i = 1; i < aligned.at.size(); ++i) {
        EXPECT_GT(aligned.at[i] / kTenth, aligned.at[i - 1] / kTenth) << "tick " << i;
    }
    EXPECT_EQ(stoppedTicks, 0);
}

}  // namespace
}  // namespace corvantis
