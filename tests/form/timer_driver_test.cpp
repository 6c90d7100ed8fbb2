// Timer controls driven in virtual time.
#include "form/timer_driver.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/failure.h"

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

// A tick that throws is a fault: the guard logs it once per run of the same failure, the
// timer and every other timer go on ticking, and a clean tick lets the next failure be told.
TEST(TimerDriverTest, ATickThatThrowsIsLoggedOnceAndEveryTimerGoesOn) {
    FakeClock clock;
    VirtualTimers timers(clock);
    Timer faulty("Timer1", 100ms);
    Timer healthy("Timer2", 100ms);
    int faultyTicks = 0, healthyTicks = 0;
    std::function<void()> fault = [] { throw Failure(8012, "Port is not open"); };
    faulty.onTick = [&] {
        ++faultyTicks;
        if (fault) {
            fault();
        }
    };
    healthy.onTick = [&] { ++healthyTicks; };
    std::vector<std::string> logged;
    HandlerGuard guard([&](const std::string& text) { logged.push_back(text); });
    TimerDriver driver(timers, {&faulty, &healthy}, &guard);

    timers.RunFor(500ms);
    fault = [] { throw std::runtime_error("bad_alloc in disguise"); };
    timers.RunFor(300ms);
    fault = [] { throw 42; };
    timers.RunFor(200ms);
    fault = nullptr;
    timers.RunFor(100ms);
    fault = [] { throw Failure(8012, "Port is not open"); };
    timers.RunFor(100ms);

    EXPECT_EQ(faultyTicks, 12);
    EXPECT_EQ(healthyTicks, 12);
    const std::string goesOn = "; the program goes on.";
    EXPECT_EQ(logged, (std::vector<std::string>{
                          "Unexpected failure in Timer1: Port is not open (8012)" + goesOn,
                          "Unexpected failure in Timer1: bad_alloc in disguise" + goesOn,
                          "Unexpected failure in Timer1: an exception of unknown type" + goesOn,
                          "Unexpected failure in Timer1: Port is not open (8012)" + goesOn,
                      }));
}

}  // namespace
}  // namespace corvantis
