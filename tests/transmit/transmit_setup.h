// A window set up for transmission as start-up leaves it, for the transmit tests.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "form/timer_driver.h"
#include "form/window.h"
#include "support/fakes.h"

namespace corvantis::testing {

// Fills the display-rule lists with their entries and selects the default rules (daylight
// saving on, second Sunday of March to first Sunday of November, change at hour 2, leap-second
// year 0, offset -6); checks sendingOn, rulesWithTime and broadcastTime; opens the port; selects
// "UTC" with useUtc true; sendMode 3, setAddressFlag 0, sendRate unset; pleaseWait hidden.
// commandWindow stays enabled as the window's design has it.
void SetUpAsStarted(Window& window, FakePlatform& platform);

// A started window with the transmit handlers attached and its timers running in virtual time
// on the platform's clock. Set the clock before constructing.
struct TransmitRig {
    explicit TransmitRig(const DateTime& local, int millis = 0,
                         std::chrono::minutes utcOffset = std::chrono::minutes(0));

    FakePlatform platform;
    Window window;
    std::unique_ptr<TimerDriver> driver;

    void RunFor(std::chrono::milliseconds span) { platform.timers.RunFor(span); }
    // Moves virtual time on to local time `local` plus `millis`, firing ticks on the way.
    void RunUntil(const DateTime& local, int millis = 0);
    // Every message written, in order.
    std::vector<std::string> Written() const;
};

}  // namespace corvantis::testing
