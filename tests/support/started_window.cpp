#include "support/started_window.h"

#include <cstdio>
#include <string>

namespace corvantis::testing {

void FillPickLists(Window& w) {
    for (int n = 0; n <= 50; ++n) {
        char text[16];
        std::snprintf(text, sizeof text, "%g", -12 + n / 2.0);
        w.HourOffset.AddItem(text);
    }
    auto numbers = [](int last, std::initializer_list<ComboBox*> lists) {
        for (int n = 0; n <= last; ++n) {
            for (ComboBox* list : lists) {
                list->AddItem(std::to_string(n));
            }
        }
    };
    numbers(31, {&w.Combo7, &w.Combo8});
    numbers(23, {&w.Combo13});
    numbers(99, {&w.Combo14, &w.CurrAddress, &w.NewAddress});
    auto texts = [](std::initializer_list<const char*> entries, ComboBox& a, ComboBox& b) {
        for (const char* entry : entries) {
            a.AddItem(entry);
            b.AddItem(entry);
        }
    };
    texts({"First", "Second", "Third", "Fourth", "Last"}, w.Combo12, w.Combo9);
    texts({"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"}, w.Combo11, w.Combo5);
    texts({"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"},
          w.Combo10, w.Combo6);
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
