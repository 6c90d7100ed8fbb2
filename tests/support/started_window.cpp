#include "support/started_window.h"

#include <string>

#include "form/pick_lists.h"

namespace corvantis::testing {

void FillPickLists(Window& w) {
    for (const PickList& pick : PickLists()) {
        for (const std::string& entry : pick.entries) {
            (w.*pick.list).AddItem(entry);
        }
    }
}

void SelectDefaultRules(Window& w) {
    w.zoneOffset.SetListIndex(12);  // -6
    w.autoDaylightSaving.SetValue(1);
    w.startDayOfMonth.SetListIndex(0);
    w.startMonth.SetListIndex(2);       // Mar
    w.startOccurrence.SetListIndex(1);  // Second
    w.startWeekday.SetListIndex(6);     // Sun
    w.endDayOfMonth.SetListIndex(0);
    w.endMonth.SetListIndex(10);      // Nov
    w.endOccurrence.SetListIndex(0);  // First
    w.endWeekday.SetListIndex(6);     // Sun
    w.changeHour.SetListIndex(2);
    w.leapYear.SetListIndex(0);
}

}  // namespace corvantis::testing
