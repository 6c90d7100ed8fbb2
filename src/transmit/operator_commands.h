// The operator's commands: the buttons that choose what the transmission tick sends, and the
// timers of the command window. They touch the window alone: none of them writes to the port;
// the tick picks the change up at its next handled even second.
#pragma once

#include "form/window.h"
#include "transmit/transmission_tick.h"

namespace corvantis {

// "Pause Time": sendMode Addressed (addressed commands with the current flag, no time).
void Command3_Click(Window& window);
// "Resume Time ": sendMode TimeOnly.
void Command5_Click(Window& window);
// "Send UTC Time Only": sendMode TimeOnly and Text3 emptied.
void Command6_Click(Window& window);
// "Send Display  Rules": sendMode Rules (rules message for all clocks) when CurrAddress's
// leading number is 0 (so also for empty or non-numeric text), else Addressed (flag kept);
// opens a command window. Pressed during a window, the 6 seconds start afresh.
void Command2_Click(Window& window);
// "Send Above Address to Clock": setAddressFlag 1, sendMode Addressed; opens a command window.
void SendAddr_Click(Window& window);

// End of the command window: Label33 hidden, Timer3 off, sendMode TimeOnly, setAddressFlag 0.
void Timer3_Timer(Window& window);
// Ticks every second and does nothing.
void Timer2_Timer(Window& window);

// Sets SendUDP's onTick to SendUDP_Timer over `line`, Timer2's and Timer3's onTick and the
// five buttons' onClick to the handlers above. `window` and `line` must outlive the controls'
// use of the handlers.
void AttachTransmitHandlers(Window& window, TransmitLine& line);

}  // namespace corvantis
