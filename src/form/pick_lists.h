// The entries of the window's pick lists, defined once: start-up fills the lists from here,
// and whatever reads a stored list index (the rule check, tests, benches) means the same entry.
#pragma once

#include <string>
#include <vector>

#include "form/window.h"

namespace corvantis {

struct PickList {
    ComboBox Window::*list;
    std::vector<std::string> entries;
    // Start-up shows the first entry as the list's text before any setting is restored.
    bool showsFirstEntry = false;
};

// Every pick list start-up fills, in the order it fills them:
// - zoneOffset: the offsets -12 to 13 hours in halves ("-12", "-11.5", ... "0", "0.5", ... "13");
// - startDayOfMonth, endDayOfMonth (day of the month): 0 to 31; changeHour (change hour): 0 to 23;
// - leapYear (leap-second year): 0 to 99; currentAddress, newAddress: 0 to 99;
// - startOccurrence, endOccurrence (occurrence): First, Second, Third, Fourth, Last;
// - startWeekday, endWeekday (weekday): Mon to Sun; startMonth, endMonth (month): Jan to Dec;
// - motorOnHour, motorOffHour (second motor hours): 0 to 23;
// - gpsPort (GPS port): None, COM1 to COM9.
const std::vector<PickList>& PickLists();

// The entries of one pick list; empty for a list start-up does not fill.
const std::vector<std::string>& EntriesOf(ComboBox Window::*list);

// Appends the list's entries (and, for the named lists, shows the first one first).
void FillPickList(Window& window, ComboBox Window::*list);

// Every pick list filled, as start-up leaves them; texts and selections otherwise alone.
void FillPickLists(Window& window);

}  // namespace corvantis
