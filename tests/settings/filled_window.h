// A window whose pick lists hold the entries start-up gives them, so that stored indexes mean
// what they mean in the program.
#pragma once

#include <string>

#include "window/window.h"

namespace corvantis::testing {

inline void FillPickLists(Window& window) {
    for (int n = 0; n <= 50; ++n) {
        const double hours = -12 + n / 2.0;
        std::string text = std::to_string(hours);
        text.erase(text.find_last_not_of('0') + 1);
        if (text.back() == '.') {
            text.pop_back();
        }
        window.HourOffset.AddItem(text);
    }
    for (int n = 0; n <= 31; ++n) {
        window.Combo7.AddItem(std::to_string(n));
        window.Combo8.AddItem(std::to_string(n));
    }
    for (int n = 0; n <= 23; ++n) {
        window.Combo13.AddItem(std::to_string(n));
    }
    for (int n = 0; n <= 99; ++n) {
        window.Combo14.AddItem(std::to_string(n));
        window.CurrAddress.AddItem(std::to_string(n));
        window.NewAddress.AddItem(std::to_string(n));
    }
    for (const char* occurrence : {"First", "Second", "Third", "Fourth", "Last"}) {
        window.Combo12.AddItem(occurrence);
        window.Combo9.AddItem(occurrence);
    }
    for (const char* day : {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"}) {
        window.Combo11.AddItem(day);
        window.Combo5.AddItem(day);
    }
    for (const char* month :
         {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"}) {
        window.Combo10.AddItem(month);
        window.Combo6.AddItem(month);
    }
}

}  // namespace corvantis::testing
