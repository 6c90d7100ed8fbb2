#include "window/live_display.h"

#include "serial/clock_feedback.h"
#include "window/services.h"
#include "window/window.h"

namespace corvantis {

void Timer1_Timer(Window& w, Services& s) {
    const DateTime now = s.clock.Now();
    const std::string time = TimeText(now);
    w.txtPCtime.SetText(DateText(now) + "   " + time);
    w.Text4.SetText(time.substr(6, 2));
    showinput(w, s);
}

}  // namespace corvantis
