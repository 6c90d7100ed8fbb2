#include "platform/posix/event_loop.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

#include "platform/wall_boundary.h"

namespace corvantis::posix {
namespace {

using namespace std::chrono_literals;
using std::chrono::nanoseconds;

nanoseconds RealtimeNow() {
    return std::chrono::system_clock::now().time_since_epoch();
}

// A pipe whose read end the loop watches; one byte makes it readable until read.
class Pipe {
public:
    Pipe() {
        if (::pipe(m_fds) != 0) {
            throw std::runtime_error("pipe failed");
        }
    }
    ~Pipe() {
        ::close(m_fds[0]);
        ::close(m_fds[1]);
    }
    int ReadEnd() const { return m_fds[0]; }
    void Fill() { ASSERT_EQ(::write(m_fds[1], "x", 1), 1); }
    void Drain() {
        char byte;
        ASSERT_EQ(::read(m_fds[0], &byte, 1), 1);
    }

private:
    int m_fds[2] = {-1, -1};
};

// Runs passes of `loop` for `span`.
void RunFor(EventLoop& loop, std::chrono::milliseconds span) {
    const auto end = std::chrono::steady_clock::now() + span;
    while (std::chrono::steady_clock::now() < end) {
        loop.RunOnce(
            std::chrono::ceil<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()));
    }
}

TEST(EventLoopTest, AWatchRunsWhileReadyAndNeverAfterItIsRemovedEvenFromACallback) {
    EventLoop loop;
    Pipe first, second;
    std::vector<std::string> calls;
    int secondWatch = 0;
    const int firstWatch = loop.Watch(first.ReadEnd(), POLLIN, [&](short revents) {
        calls.push_back(revents & POLLIN ? "first" : "first?");
        loop.Unwatch(secondWatch);  // ready in the same pass, yet not called
    });
    secondWatch = loop.Watch(second.ReadEnd(), POLLIN, [&](short) { calls.push_back("second"); });
    EXPECT_NE(firstWatch, 0);

    loop.RunOnce(0ms);
    EXPECT_TRUE(calls.empty()) << "nothing is ready";
    first.Fill();
    second.Fill();
    loop.RunOnce(1s);
    EXPECT_EQ(calls, std::vector<std::string>{"first"});

    loop.SetEvents(firstWatch, 0);  // still readable, but no longer asked for
    loop.RunOnce(20ms);
    EXPECT_EQ(calls.size(), 1u);
    loop.SetEvents(firstWatch, POLLIN);
    loop.Unwatch(firstWatch);
    loop.Unwatch(firstWatch);  // twice is harmless
    loop.RunOnce(20ms);
    EXPECT_EQ(calls.size(), 1u);
}

TEST(EventLoopTest, ANestedPassRunsOtherWatchesButNeverReentersARunningCallback) {
    EventLoop loop;
    Pipe outer, inner;
    int depth = 0, deepest = 0, outerCalls = 0, innerCalls = 0;
    loop.Watch(outer.ReadEnd(), POLLIN, [&](short) {
        ++outerCalls;
        deepest = std::max(deepest, ++depth);
        inner.Fill();
        loop.RunOnce(0ms);  // outer is still readable here
        --depth;
        outer.Drain();
    });
    loop.Watch(inner.ReadEnd(), POLLIN, [&](short) {
        ++innerCalls;
        inner.Drain();
    });
    outer.Fill();
    loop.RunOnce(1s);
    EXPECT_EQ(outerCalls, 1);
    EXPECT_EQ(innerCalls, 1);
    EXPECT_EQ(deepest, 1);
}

TEST(EventLoopTest, RunEndsWithTheFirstCodeGivenToQuit) {
    EventLoop loop;
    Pipe pipe;
    loop.Watch(pipe.ReadEnd(), POLLIN, [&](short) {
        loop.Quit(3);
        loop.Quit(5);
    });
    pipe.Fill();
    EXPECT_EQ(loop.Run(), 3);
    EXPECT_TRUE(loop.Quitting());
}

class LoopTimerTest : public ::testing::Test {
protected:
    EventLoop m_loop;
    LoopTimerService m_service{m_loop};
    std::vector<nanoseconds> m_ticks;  // wall-clock time of each tick
};

TEST_F(LoopTimerTest, AnUnalignedTimerFirstTicksOneIntervalAfterStartAndStopsOnStop) {
    auto timer = m_service.CreateTimer([&] { m_ticks.push_back(RealtimeNow()); });
    const auto started = RealtimeNow();
    timer->Start(30ms, false);
    RunFor(m_loop, 200ms);
    ASSERT_GE(m_ticks.size(), 2u);
    EXPECT_GE(m_ticks.front() - started, 30ms);
    timer->Stop();
    const std::size_t ticks = m_ticks.size();
    RunFor(m_loop, 100ms);
    EXPECT_EQ(m_ticks.size(), ticks);
}

// Ticks fall on the wall clock's multiples of the interval, never before one and at most one
// per multiple, also when a tick's callback overruns several of them.
TEST_F(LoopTimerTest, AlignedTicksNeverComeBeforeTheirBoundaryNorInABurst) {
    constexpr nanoseconds kInterval = 20ms;
    bool busy = true;
    nanoseconds busyEnd{};
    auto timer = m_service.CreateTimer([&] {
        m_ticks.push_back(RealtimeNow());
        if (busy) {
            busy = false;
            std::this_thread::sleep_for(75ms);
            busyEnd = RealtimeNow();
        }
    });
    const auto started = RealtimeNow();
    timer->Start(std::chrono::duration_cast<std::chrono::milliseconds>(kInterval), true);
    RunFor(m_loop, 300ms);
    ASSERT_GE(m_ticks.size(), 3u);
    EXPECT_GE(m_ticks.front(), NextBoundary(started, kInterval));
    for (std::size_t i = 1; i < m_ticks.size(); ++i) {
        EXPECT_GT(m_ticks[i] / kInterval, m_ticks[i - 1] / kInterval) << "tick " << i;
    }
    EXPECT_GT(m_ticks[1], busyEnd) << "one late tick after the busy one";
    EXPECT_GE(m_ticks[2] - m_ticks[1], 1ms) << "not a burst of missed boundaries";
}

TEST_F(LoopTimerTest, ATimerStoppedOrRestartedFromItsOwnTickDoesAsTold) {
    std::unique_ptr<PlatformTimer> timer;
    timer = m_service.CreateTimer([&] {
        m_ticks.push_back(RealtimeNow());
        if (m_ticks.size() == 1) {
            timer->Start(10ms, false);  // switch to unaligned
        } else if (m_ticks.size() == 3) {
            timer->Stop();
        }
    });
    timer->Start(10ms, true);
    RunFor(m_loop, 200ms);
    EXPECT_EQ(m_ticks.size(), 3u);
}

// A sparse timer wakes on the stride's multiples only, after a first tick that meets the
// start's own stride period whenever the interval's next multiple does.
TEST_F(LoopTimerTest, ASparseTimerTicksOncePerStrideAfterAnEarlyFirstTick) {
    constexpr nanoseconds kStride = 200ms;
    auto timer = m_service.CreateSparseTimer([&] { m_ticks.push_back(RealtimeNow()); }, 200ms);
    const auto started = RealtimeNow();
    timer->Start(20ms, true);
    RunFor(m_loop, 700ms);
    ASSERT_GE(m_ticks.size(), 3u);
    EXPECT_LE(m_ticks.size(), 6u) << "a 20 ms timer would have ticked about 35 times";
    const bool nextIntervalInSamePeriod =
        NextBoundary(started, 20ms) < NextBoundary(started, kStride);
    EXPECT_EQ(m_ticks.front() / kStride, started / kStride + (nextIntervalInSamePeriod ? 0 : 1));
    for (std::size_t i = 1; i < m_ticks.size(); ++i) {
        EXPECT_EQ(m_ticks[i] / kStride, m_ticks[i - 1] / kStride + 1) << "tick " << i;
    }
}

TEST(LoopEventWaitTest, WaitsTheWholeTimeOutAndPassesRunReadyWatches) {
    EventLoop loop;
    LoopEventWait wait(loop);
    struct Row {
        std::int32_t timeoutMs;
        std::chrono::milliseconds atLeast;
    };
    for (const Row& row : {Row{30, 30ms}, Row{0, 0ms}, Row{-5, 0ms}}) {
        const auto before = std::chrono::steady_clock::now();
        const std::int32_t handle = 7;
        EXPECT_EQ(wait.Wait(1, &handle, row.timeoutMs), EventWait::kWaitTimeout);
        EXPECT_GE(std::chrono::steady_clock::now() - before, row.atLeast) << row.timeoutMs;
    }
    const std::uint32_t first = wait.TickCount();
    wait.Wait(0, nullptr, 20);
    EXPECT_GE(static_cast<std::uint32_t>(wait.TickCount() - first), 20u);

    Pipe pipe;
    int calls = 0;
    loop.Watch(pipe.ReadEnd(), POLLIN, [&](short) {
        ++calls;
        pipe.Drain();
    });
    wait.ProcessPendingEvents();
    EXPECT_EQ(calls, 0);
    pipe.Fill();
    wait.ProcessPendingEvents();
    EXPECT_EQ(calls, 1);
}

bool Blocked(int signal) {
    sigset_t mask;
    ::sigprocmask(SIG_BLOCK, nullptr, &mask);
    return sigismember(&mask, signal) == 1;
}

TEST(TerminationSignalsTest, EachSignalBecomesOneCallOnTheLoopAndTheProcessLives) {
    ASSERT_FALSE(Blocked(SIGTERM));
    EventLoop loop;
    {
        int calls = 0;
        TerminationSignals signals(loop, [&] { ++calls; });
        ASSERT_TRUE(signals.Active());
        for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
            ::raise(signal);
            loop.RunOnce(1s);
        }
        EXPECT_EQ(calls, 3);
    }
    EXPECT_FALSE(Blocked(SIGTERM)) << "the signals act as before once it is gone";
    EXPECT_FALSE(Blocked(SIGINT));
    EXPECT_FALSE(Blocked(SIGHUP));
}

}  // namespace
}  // namespace corvantis::posix
