// The window's load handler: the one pass that fills, restores and opens everything.
#pragma once

#include "platform/message_dialog.h"
#include "platform/port_probe.h"
#include "platform/program_info.h"
#include "platform/serial_port.h"
#include "platform/status_line.h"
#include "platform/window_host.h"
#include "settings/ini.h"

namespace corvantis {

class Window;

// What start-up reaches besides the window: it restores every setting, fills the port list
// from the probe, opens the stored port, shows the window and reports what goes wrong. Each
// must outlive the start-up.
struct StartupReach {
    SettingsFiles& settings;
    SerialPort& clockLine;
    PortProbe& probe;
    MessageDialog& dialog;
    StatusLine& status;
    WindowHost& host;
    const ProgramInfo& info;
};

// Runs once, before any other event or timer tick. Every action is trapped: a failure
// abandons that action, is reported by a critical message box (unless numbered 126), and
// start-up goes on with the next action, so one bad setting costs one message and leaves
// only its own control unrestored. The control reactions that restoring sets off run nested
// inside the step that sets them off.
void Form_Load(Window& w, const StartupReach& reach);

}  // namespace corvantis
