// How the program ends, and the notification-area hooks.
#pragma once

#include "platform/serial_port.h"
#include "platform/window_host.h"
#include "settings/ini.h"

namespace corvantis {

class Window;

// "Close and Exit": closes clockLine when open, stores the GPS port under GPS/COMPORT, makes a
// last attempt at every save the disk refused (saying which values are lost when it still
// refuses), removes the notification-area icon, unloads the window and ends the program.
void OnCloseAndExit(Window& w, SerialPort& clockLine, SettingsFiles& settings, WindowHost& host);

// Every list with a pick the operator has not yet left (FinishPick): its reactions to the
// operator moving on, which save it, run now. The program runs this before the window closes
// in any way, so a pick made just before closing is kept.
void SavePendingPicks(Window& w);

// "Hide Program": no action.
void OnHideProgram(Window& w);

// The window unloads (close box, "Close and Exit", system shutdown): the icon is removed and
// the unload goes ahead; nothing is stored.
void Form_Unload(WindowHost& host);

// Mouse move over the window, which doubles as the notification icon's callback: an X that
// converts to 513, 515, 516 or 518 pixels (left press, left double-click, right press,
// right release) shows the window and enables displayTick.
void Form_MouseMove(Window& w, WindowHost& host, double x);

}  // namespace corvantis
