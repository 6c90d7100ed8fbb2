// The Serial Sync port list (clockPort), the GPS port list (gpsPort) and the opening of the stored
// Serial Sync port at start-up. Only the Serial Sync port is ever opened; the GPS port is a
// stored name compared with it.
#pragma once

#include <functional>
#include <string>

#include "form/window.h"
#include "platform/message_dialog.h"
#include "platform/port_probe.h"
#include "platform/serial_port.h"
#include "settings/ini.h"

namespace corvantis {

// Line settings every opening of the port uses: 9600 baud, no parity, 8 data bits, 1 stop.
inline constexpr const char* kLineSettings = "9600,n,8,1";

// clockPort's click: the operator chose a Serial Sync entry ("+COM3" or " COM3"). Sets the line
// settings, closes the port, takes the port number from the entry (when it names COM1 to
// COM16, the port range; other text keeps CommPort), shows the entry without its marker character,
// opens the port unless the text is "None", and stores the text under SerialSync / "COMPORT". A
// step that fails is skipped without a trace and the next one runs, so a port that cannot be opened
// stays closed while the choice is still shown and stored.
void OnSerialPortPicked(Window& window, SerialPort& clockLine, SettingsFiles& settings);

// gpsPort's click: the operator chose a GPS port name. Accepted (and stored under GPS /
// "COMPORT") unless it equals the Serial Sync text while that port is in use (sendingOn not 0,
// and not the pair "None" with sendingOn 1); refused with the warning "Please check your comm
// settings" titled "ERROR", after which "None" is shown and stored. Never touches clockLine.
// A step that fails is reported (ReportAndGoOn) and the next one runs.
void OnGpsPortPicked(Window& window, SettingsFiles& settings, MessageDialog& dialog);

// Sets gpsPort's and clockPort's click reactions. Every argument must outlive the controls' use
// of them.
void AttachSerialHandlers(Window& window, SerialPort& clockLine, SettingsFiles& settings,
                          MessageDialog& dialog);

// Appends an entry to clockPort for each n from kFirstComPort to kLastComPort: "+COM"n when
// ProbeComPort(n) finds the device, " COM"n otherwise. Leaves the list's text and selection alone.
// Never raises.
void FillSerialSyncList(Window& window, PortProbe& probe);

// Runs one start-up action under start-up's error rule (report and go on).
using StartupTrap = std::function<void(const std::function<void()>& action)>;

// Opens the stored Serial Sync port at start-up, clockPort's text holding the stored name:
//  - empty text becomes "COM1";
//  - text that names a port from COM1 to COM16 ("COM" (letter case counts), then a number
//    read with blanks skipped and rounded half to even) sets CommPort to it;
//  - any other text but "None" (a number outside the range or too big for the field, no
//    number, not a COM name) opens no port: the list shows "None", CommPort is left alone and
//    the returned sentence names the value, the key and the file, for the not-sending notice
//    that start-up shows (empty text when the stored name was accepted);
//  - with sendingOn 1, the line settings are set and, unless the text is "None", the port is
//    opened; with sendingOn not 1 the port is left alone.
// Each port assignment runs as its own action under `trap`, and each failure is reported once.
std::string OpenStoredSerialSyncPort(Window& window, SerialPort& clockLine,
                                     const SettingsFiles& settings, const StartupTrap& trap);

// Whether the tick can send now and, when it cannot, one plain notice naming every reason
// (sending switched off, no port chosen, the port not open and why, the display rules
// switched off or refused at start-up, "Send Time to Message Clocks" ticked, "Broadcast Time"
// off for time messages), each with the key and file that hold it and how to fix it, and how
// to see the program work without clocks (`demoCommand`, left out when empty). Empty text
// when nothing stops the next message. `portProblem` is what is known of the port's failure
// (an opening that failed, a stored name refused at start-up), empty when nothing is.
std::string NotSendingNotice(const Window& window, const SerialPort& clockLine,
                             SettingsFiles& settings, const std::string& portProblem,
                             const std::string& demoCommand);

}  // namespace corvantis
