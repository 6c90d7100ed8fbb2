// The operator's commands: the buttons that choose what the transmission tick sends, and the
// timers of the command window. None of them writes to the port; the tick picks the change up
// at its next handled even second.
#pragma once

#include "window/services.h"
#include "window/window.h"

namespace corvantis {

// "Pause Time": sendMode 0 (addressed commands with the current flag, no time).
void Command3_Click(Window& window, Services& services);
// "Resume Time ": sendMode 3 (time-only messages).
void Command5_Click(Window& window, Services& services);
// "Send UTC Time Only": sendMode 3 and Text3 emptied.
void Command6_Click(Window& window, Services& services);
// "Send Display  Rules": sendMode 1 (rules message for all clocks) when CurrAddress's leading
// number is 0 (so also for empty or non-numeric text), else 0 (addressed command, flag kept);
// opens a command window. Pressed during a window, the 6 seconds start afresh.
void Command2_Click(Window& window, Services& services);
// "Send Above Address to Clock": setAddressFlag 1, sendMode 0; opens a command window.
void SendAddr_Click(Window& window, Services& services);

// End of the command window: Label33 hidden, Timer3 off, sendMode 3, setAddressFlag 0.
void Timer3_Timer(Window& window, Services& services);
// Ticks every second and does nothing.
void Timer2_Timer(Window& window, Services& services);

// Sets SendUDP's, Timer2's and Timer3's onTick and the five buttons' onClick to the handlers
// above. `window` and `services` must outlive the controls' use of the handlers.
void AttachTransmitHandlers(Window& window, Services& services);

}  // namespace corvantis
