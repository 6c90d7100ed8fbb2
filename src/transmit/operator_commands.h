// The operator's commands: the buttons that choose what the transmission tick sends, and the
// timers of the command window. They touch the window alone: none of them writes to the port;
// the tick picks the change up at its next handled even second.
#pragma once

#include "form/window.h"
#include "transmit/transmission_tick.h"

namespace corvantis {

// "Pause Time": sendMode Addressed (addressed commands with the current flag, no time).
void OnPauseTime(Window& window);
// "Resume Time ": sendMode TimeOnly.
void OnResumeTime(Window& window);
// "Send UTC Time Only": sendMode TimeOnly and clockReply emptied.
void OnSendUtcTimeOnly(Window& window);
// "Send Display  Rules": sendMode Rules (rules message for all clocks) when currentAddress's
// leading number is 0 (so also for empty or non-numeric text), else Addressed (flag kept);
// opens a command window. Pressed during a window, the 6 seconds start afresh.
void OnSendRules(Window& window);
// "Send Above Address to Clock": setAddressFlag 1, sendMode Addressed; opens a command window.
void OnSendAddress(Window& window);

// End of the command window: pleaseWait hidden, commandWindow off, sendMode TimeOnly,
// setAddressFlag 0.
void OnCommandWindowEnd(Window& window);
// Ticks every second and does nothing.
void OnSecondTick(Window& window);

// Sets sendTick's onTick to OnSendTick over `line`, secondTick's and commandWindow's onTick and the
// five buttons' onClick to the handlers above. `window` and `line` must outlive the controls'
// use of the handlers.
void AttachTransmitHandlers(Window& window, TransmitLine& line);

}  // namespace corvantis
