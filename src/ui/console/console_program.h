// What a program without a window adds to the assembled program: its event log's share of the
// wiring and the way it tells its standing concerns.
#pragma once

#include "form/window.h"
#include "platform/status_line.h"
#include "program/assembled_program.h"
#include "settings/ini.h"
#include "ui/console/event_log.h"

namespace corvantis {

// Layers `log` over the sending port (LoggingSerialPort): each message sent, each opening and
// closing. `log` must outlive the port made.
PortTap LogTap(EventLog& log);

// Begins the log of a run: a line per message when `everyMessage` or the settings ask for it
// (the [Log] section), each reply the window shows, and "started" naming the settings folder.
void BeginLog(EventLog& log, Window& window, SettingsFiles& settings, bool everyMessage);

// The voices of a program without a window: warnings on `status` (the rules' sentence, why
// nothing is sent), events in `log` ("not-sending" and "sending", the PC clock's "pc-clock");
// from the start the log also watches the messages the tick builds and does not send. Each
// given must outlive the program.
ProgramVoices ConsoleVoices(Window& window, StatusLine& status, EventLog& log);

}  // namespace corvantis
