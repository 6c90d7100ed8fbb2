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
    w.HourOffset.SetListIndex(12);  // -6
    w.Check7.SetValue(1);
    w.Combo7.SetListIndex(0);
    w.Combo10.SetListIndex(2);  // Mar
    w.Combo12.SetListIndex(1);  // Second
    w.Combo11.SetListIndex(6);  // Sun
    w.Combo8.SetListIndex(0);
    w.Combo6.SetListIndex(10);  // Nov
    w.Combo9.SetListIndex(0);   // First
    w.Combo5.SetListIndex(6);   // Sun
    w.Combo13.SetListIndex(2);
    w.Combo14.SetListIndex(0);
}

}  // namespace corvantis::testing
