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
// - HourOffset: the offsets -12 to 13 hours in halves ("-12", "-11.5", ... "0", "0.5", ... "13");
// - Combo7, Combo8 (day of the month): 0 to 31; Combo13 (change hour): 0 to 23;
// - Combo14 (leap-second year): 0 to 99; CurrAddress, NewAddress: 0 to 99;
// - Combo12, Combo9 (occurrence): First, Second, Third, Fourth, Last;
// - Combo11, Combo5 (weekday): Mon to Sun; Combo10, Combo6 (month): Jan to Dec;
// - Combo3, Combo4 (second motor hours): 0 to 23;
// - Combo1 (GPS port): None, COM1 to COM9.
const std::vector<PickList>& PickLists();

// The entries of one pick list; empty for a list start-up does not fill.
const std::vector<std::string>& EntriesOf(ComboBox Window::*list);

// Appends the list's entries (and, for the named lists, shows the first one first).
void FillPickList(Window& window, ComboBox Window::*list);

// Every pick list filled, as start-up leaves them; texts and selections otherwise alone.
void FillPickLists(Window& window);

}  // namespace corvantis
