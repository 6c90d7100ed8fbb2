// The running PC clock in the window, and the poll for the clock's reply.
#pragma once

#include "platform/serial_port.h"
#include "platform/wall_clock.h"

namespace corvantis {

class Window;

// Timer1's tick: txtPCtime gets the local date, three blanks and the local time (21
// characters), Text4 the two-digit seconds, then showinput polls MSComm1 (which may start the
// reply wait). Both texts come from one reading of the clock, so they never disagree at a
// change of second or of day. A timer service may run it once a second on the second while
// the window is shown, and whenever characters reach the port.
void Timer1_Timer(Window& w, const WallClock& clock, SerialPort& MSComm1);

}  // namespace corvantis
