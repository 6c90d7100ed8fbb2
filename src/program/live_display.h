// The running PC clock in the window, and the poll for the clock's reply.
#pragma once

#include "platform/serial_port.h"
#include "platform/wall_clock.h"

namespace corvantis {

class Window;

// displayTick's tick: pcTime gets the local date, three blanks and the local time (21
// characters), pcSeconds the two-digit seconds, then showinput polls clockLine (which may start the
// reply wait). Both texts come from one reading of the clock, so they never disagree at a
// change of second or of day. A timer service may run it once a second on the second while
// the window is shown, and whenever characters reach the port.
void OnDisplayTick(Window& w, const WallClock& clock, SerialPort& clockLine);

}  // namespace corvantis
