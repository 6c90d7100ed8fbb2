// The window's option controls and their settings. Which key each control writes, and when
// (on each click, or on losing the focus), is the key table's SavedOn column; this file adds
// the reactions beyond saving, and the handlers of keys written under a condition. The port
// lists gpsPort and clockPort are wired by the serial link.
#pragma once

#include "settings/auto_run.h"
#include "settings/ini.h"

namespace corvantis {

class Window;

// --- Reactions besides the table's save ------------------------------------------------------

// Before the save: enables the eight daylight-saving lists when the value is 1 (disables them
// for 0 and 2) in the order startDayOfMonth, startMonth, startWeekday, startOccurrence, endWeekday,
// endMonth, endOccurrence, endDayOfMonth.
void OnAutoDaylightSavingClicked(Window& window);
// After the save (this and the rest): a fixed start day (index above 0) disables startWeekday and
// startOccurrence; no fixed day (0 or no selection) enables them.
void OnStartDayOfMonthPicked(Window& window);
// The same for the end rule: endOccurrence and endWeekday.
void OnEndDayOfMonthPicked(Window& window);
// An index 0 to 3 becomes sendRate; no selection leaves it.
void OnSerialRatePicked(Window& window);

// --- Handlers of their own ------------------------------------------------------------------

// Checked: shows udpRateLabel, then writes "SendUDP" as a blank-led number. Otherwise hides
// udpAddressLabel, then udpRateLabel, and writes nothing. A Failure in a step is reported
// (ReportAndGoOn) and the next step runs.
void OnUdpBroadcastClicked(Window& window, SettingsFiles& settings, MessageDialog& dialog);
// Checked: sendMode becomes TimeOnly. Writes nothing.
void OnBroadcastTimeClicked(Window& window);
// useUtc follows option 0 ("UTC"); writes "TimeUTC" and "TimeLocal".
void OnUtcOrLocalClicked(Window& window, SettingsFiles& settings, int index);

// Wires every option control: the table's saves (SavedOn::Click, SavedOn::LostFocus) followed
// by the reactions above, and the handlers of their own. Every argument must outlive the
// controls' use of the handlers.
void AttachSettingsHandlers(Window& window, SettingsFiles& settings, MessageDialog& dialog,
                            AutoRunEntry& autoRun);

}  // namespace corvantis
