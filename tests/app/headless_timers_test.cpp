#include "app/headless/headless_timers.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "support/pty_pair.h"

namespace corvantis {
namespace {

using namespace std::chrono_literals;

void RunFor(posix::EventLoop& loop, std::chrono::milliseconds span) {
    const auto end = std::chrono::steady_clock::now() + span;
    while (std::chrono::steady_clock::now() < end) {
        loop.RunOnce(10ms);
    }
}

class HeadlessTimerServiceTest : public ::testing::Test {
protected:
    HeadlessTimerServiceTest() {
        m_ports.SetOverride(1, m_line.SlavePath());
        m_port.SetCommPort(1);
        m_port.SetPortOpen(true);
    }

    posix::EventLoop m_loop;
    testing::PtyPair m_line;
    PortMap m_ports = PortMap::LinuxDefaults();
    posix::TermiosSerialPort m_port{m_ports, &m_loop};
    posix::LoopTimerService m_loopTimers{m_loop};
    HeadlessTimerService m_service{m_loopTimers, m_port};
};

// The display timer ticks for a reply waiting on the port, and only then; the do-nothing
// timer never wakes the program; other timers keep their period.
TEST_F(HeadlessTimerServiceTest, EachTimerWakesOnlyWhenItsTickCanAct) {
    struct Row {
        std::string name;
        bool replyWaits;
        bool ticks;
    };
    for (const Row& row :
         {Row{"Timer1", false, false}, Row{"Timer1", true, true}, Row{"Timer2", false, false},
          Row{"Timer2", true, false}, Row{"Timer3", false, true}}) {
        SCOPED_TRACE(row.name + (row.replyWaits ? " with a reply" : ""));
        int ticks = 0;
        auto timer = m_service.CreateTimerFor(row.name, [&] {
            ++ticks;
            m_port.SetInBufferCount(0);  // takes the reply, as the display tick does
        });
        timer->Start(20ms, false);
        if (row.replyWaits) {
            m_line.Send("OK");
        }
        RunFor(m_loop, 100ms);
        EXPECT_EQ(ticks > 0, row.ticks) << ticks;
        timer->Stop();
        const int stopped = ticks;
        m_line.Send("late");
        RunFor(m_loop, 60ms);
        EXPECT_EQ(ticks, stopped) << "no tick once stopped";
        m_port.SetInBufferCount(0);
    }
}

// While the reply wait runs, characters waiting do not tick the display timer (the wait reads
// them when it is over): the loop sleeps meanwhile. Once the wait ends they tick it again.
TEST_F(HeadlessTimerServiceTest, TheReplyWaitHoldsTheReplyPoll) {
    int polls = 0;
    int waits = 0;
    auto poll = m_service.CreateTimerFor("Timer1", [&] { ++polls; });
    std::unique_ptr<PlatformTimer> wait;
    wait = m_service.CreateTimerFor("ReplyWait", [&] {
        ++waits;
        wait->Stop();
    });
    poll->Start(100ms, false);
    m_line.Send("OK");  // never taken: the poll would tick on every pass
    RunFor(m_loop, 30ms);
    ASSERT_GT(polls, 0);
    wait->Start(50ms, false);
    const int before = polls;
    RunFor(m_loop, 40ms);
    EXPECT_EQ(polls, before) << "the poll ticked during the reply wait";
    RunFor(m_loop, 40ms);
    EXPECT_EQ(waits, 1);
    EXPECT_GT(polls, before) << "the poll ticks again after the wait";
    poll->Stop();
    m_port.SetInBufferCount(0);
}

// The transmission timer, asked for every 100 ms on the wall clock, wakes once a second.
TEST_F(HeadlessTimerServiceTest, TheTransmissionTimerWakesOncePerSecond) {
    std::vector<std::chrono::nanoseconds> ticks;
    auto timer = m_service.CreateTimerFor(
        "SendUDP", [&] { ticks.push_back(std::chrono::system_clock::now().time_since_epoch()); });
    timer->Start(100ms, true);
    RunFor(m_loop, 2300ms);
    ASSERT_GE(ticks.size(), 3u);
    EXPECT_LE(ticks.size(), 4u);
    for (std::size_t i = 1; i < ticks.size(); ++i) {
        EXPECT_EQ(ticks[i] / 1s, ticks[i - 1] / 1s + 1) << "tick " << i;
    }
}

}  // namespace
}  // namespace corvantis
