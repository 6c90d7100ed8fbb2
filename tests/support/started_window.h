// A window with the pick-list entries and display rules start-up gives it, for tests of the
// handlers that read them without running start-up itself.
#pragma once

#include "form/window.h"

namespace corvantis::testing {

// Appends the entries start-up gives the pick lists (see PickLists), so that an index means
// what it means in the program. Texts and selections are left alone.
void FillPickLists(Window& window);

// Checks autoDaylightSaving and selects the default rules: the second Sunday of March to the first
// Sunday of November, no fixed day, change at hour 2, leap-second year 0, offset -6.
void SelectDefaultRules(Window& window);

}  // namespace corvantis::testing
