// The saving handlers of the window's option controls: each writes its control's state to the
// settings files when it is clicked or loses the focus, and some switch other controls or set
// a window variable the transmission tick reads. The port lists Combo1 and Combo2 are wired
// by the serial link.
#pragma once

namespace corvantis {

class Window;
struct Services;

// Clicks, each writing its key after (or before, as stated) its other effects.

// Checked: shows Label9, then writes "SendUDP" as a blank-led number. Otherwise hides Label4,
// then Label9, and writes nothing. A Failure in a step is reported (ReportAndGoOn) and the
// next step runs.
void Check1_Click(Window& window, Services& services);
// Writes "GPSdate".
void Check3_Click(Window& window, Services& services);
// Writes "EnableOCXO".
void Check6_Click(Window& window, Services& services);
// Enables the eight daylight-saving lists when the value is 1 (disables them for 0 and 2) in
// the order Combo7, Combo10, Combo11, Combo12, Combo5, Combo6, Combo9, Combo8; then writes
// "DSTenabled".
void Check7_Click(Window& window, Services& services);
// Checked: sendMode becomes 3 (time-only messages). Writes nothing.
void Check8_Click(Window& window, Services& services);
// Writes "DSTstartDOM"; then a fixed day (index above 0) disables Combo11 and Combo12, no fixed
// day (0 or no selection) enables them.
void Combo7_Click(Window& window, Services& services);
// Writes "DSTendDOM"; then disables or enables Combo9 and Combo5 as Combo7 does its pair.
void Combo8_Click(Window& window, Services& services);
// Write the list's text under "CurrAddress" / "NewAddress".
void CurrAddress_Click(Window& window, Services& services);
void NewAddress_Click(Window& window, Services& services);
// Writes the text under "SerialRate"; then a selected index 0 to 3 becomes sendRate, any
// other leaves it.
void SerialRate_Click(Window& window, Services& services);
// Either option: useUtc becomes whether "UTC" (Option1(0)) is selected; then writes "TimeUTC"
// and "TimeLocal" as the boolean texts of the two options. `index` is not used.
void Option1_Click(Window& window, Services& services, int index);

// Leaving the focus: each writes its list's selected index.
void Combo5_LostFocus(Window& window, Services& services);      // "DSTendDOW"
void Combo6_LostFocus(Window& window, Services& services);      // "DSTendMon"
void Combo9_LostFocus(Window& window, Services& services);      // "DSTendoccur"
void Combo10_LostFocus(Window& window, Services& services);     // "DSTstartMon"
void Combo11_LostFocus(Window& window, Services& services);     // "DSTstartDOW"
void Combo12_LostFocus(Window& window, Services& services);     // "DSTstartoccur"
void Combo13_LostFocus(Window& window, Services& services);     // "DSThour"
void Combo14_LostFocus(Window& window, Services& services);     // "LeapSec"
void HourOffset_LostFocus(Window& window, Services& services);  // "TZhouroffset"

// Sets the handlers above and AutoStart_Click as the controls' reactions. Check2, Check5,
// UDPaddress and UDPrate keep none: they save nothing. `window` and `services` must outlive
// the controls' use of the handlers.
void AttachSettingsHandlers(Window& window, Services& services);

}  // namespace corvantis
