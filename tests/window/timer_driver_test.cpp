// Timer controls driven in virtual time.
#include "window/timer_driver.h"

#include <gtest/gtest.h>

#include "support/fakes.h"

namespace corvantis {
namespace {

using namespace std::chrono_literals;
using testing::FakeClock;
using testing::VirtualTimers;

TEST(TimerDriverTest, AlignedTimerTicksOnTheTenthsOfTheWallClock) {
    FakeClock clock;
    clock.SetLocal(DateTime{2024, 3, 9, 14, 7, 4}, 37);
    VirtualTimers timers(clock);
    Timer tick("SendUDP", 100ms, /*alignToWallClock=*/true);
    std::vector<long long> at;
    tick.onTick = [&] { at.push_back(clock.UtcMillis().count() % 1000); };
    TimerDriver driver(timers, {&tick});
    timers.RunFor(1000ms);
    EXPECT_EQ(at, (std::vector<long long>{100, 200, 300, 400, 500, 600, 700, 800, 900, 0}));
}

TEST(TimerDriverTest, EnablingAgainRestartsThePeriodAndDisablingStops) {
    FakeClock clock;
    VirtualTimers timers(clock);
    Timer window("Timer3", 6000ms);
    int ticks = 0;
    window.onTick = [&] { ++ticks; };
    TimerDriver driver(timers, {&window});
    timers.RunFor(5000ms);
    window.SetEnabled(true);  // restart: the next tick is 6 s from here
    timers.RunFor(5999ms);
    EXPECT_EQ(ticks, 0);
    timers.RunFor(1ms);
    EXPECT_EQ(ticks, 1);
    window.SetEnabled(false);
    timers.RunFor(60000ms);
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(timers.Running(), 0);
}

TEST(TimerDriverTest, ADisabledTimerStartsOnlyWhenEnabled) {
    FakeClock clock;
    VirtualTimers timers(clock);
    Timer second("Timer2", 1000ms);
    second.SetEnabled(false);
    int ticks = 0;
    second.onTick = [&] { ++ticks; };
    TimerDriver driver(timers, {&second});
    timers.RunFor(3000ms);
    EXPECT_EQ(ticks, 0);
    second.SetEnabled(true);
    timers.RunFor(3000ms);
    EXPECT_EQ(ticks, 3);
}

}  // namespace
}  // namespace corvantis
