// The running PC clock in the window, and the poll for the clock's reply.
#pragma once

namespace corvantis {

class Window;
struct Services;

// Timer1's tick, ten times a second: txtPCtime gets the local date, three blanks and the
// local time (21 characters), Text4 the two-digit seconds, then showinput polls the port.
// Both texts come from one reading of the clock, so they never disagree at a change of
// second or of day.
void Timer1_Timer(Window& w, Services& s);

}  // namespace corvantis
