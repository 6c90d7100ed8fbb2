#include "program/live_display.h"

#include "form/window.h"
#include "serial/clock_feedback.h"

namespace corvantis {

void Timer1_Timer(Window& w, const WallClock& clock, SerialPort& MSComm1) {
    const DateTime now = clock.Now();
    const std::string time = TimeText(now);
    w.txtPCtime.SetText(DateText(now) + "   " + time);
    w.Text4.SetText(time.substr(6, 2));
    showinput(w, MSComm1);
}

}  // namespace corvantis
