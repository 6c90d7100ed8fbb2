#include "program/live_display.h"

#include "form/window.h"
#include "serial/clock_feedback.h"

namespace corvantis {

void OnDisplayTick(Window& w, const WallClock& clock, SerialPort& clockLine) {
    const DateTime now = clock.Now();
    const std::string time = TimeText(now);
    w.pcTime.SetText(DateText(now) + "   " + time);
    w.pcSeconds.SetText(time.substr(6, 2));
    showinput(w, clockLine);
}

}  // namespace corvantis
