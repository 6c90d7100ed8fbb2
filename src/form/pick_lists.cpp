#include "form/pick_lists.h"

#include <algorithm>
#include <charconv>

#include "platform/port_map.h"

namespace corvantis {

namespace {

std::vector<std::string> Numbers(int first, int last) {
    std::vector<std::string> entries;
    for (int n = first; n <= last; ++n) {
        entries.push_back(std::to_string(n));
    }
    return entries;
}

// The text of a half-hour offset as the list shows it: no leading blank, no trailing ".0".
// Shortest round-trip form, independent of the C locale. A single-precision counter, as the
// list has always been built.
std::vector<std::string> Offsets() {
    std::vector<std::string> entries;
    for (float hours = -12.0f; hours <= 13.0f; hours += 0.5f) {
        char text[32];
        const auto result = std::to_chars(text, text + sizeof text, hours);
        entries.emplace_back(text, result.ptr);
    }
    return entries;
}

std::vector<std::string> GpsPorts() {
    constexpr int kLastGpsPort = 9;
    std::vector<std::string> entries{"None"};
    for (int n = kFirstComPort; n <= kLastGpsPort; ++n) {
        entries.push_back(ComName(n));
    }
    return entries;
}

std::vector<PickList> MakePickLists() {
    const std::vector<std::string> occurrences{"First", "Second", "Third", "Fourth", "Last"};
    const std::vector<std::string> weekdays{"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    const std::vector<std::string> months{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    using W = Window;
    return {
        {&W::zoneOffset, Offsets()},
        {&W::startDayOfMonth, Numbers(0, 31)},
        {&W::endDayOfMonth, Numbers(0, 31)},
        {&W::changeHour, Numbers(0, 23)},
        {&W::leapYear, Numbers(0, 99)},
        {&W::currentAddress, Numbers(0, 99)},
        {&W::newAddress, Numbers(0, 99)},
        {&W::startOccurrence, occurrences, true},
        {&W::startWeekday, weekdays, true},
        {&W::startMonth, months, true},
        {&W::endOccurrence, occurrences, true},
        {&W::endWeekday, weekdays, true},
        {&W::endMonth, months, true},
        {&W::motorOnHour, Numbers(0, 23)},
        {&W::motorOffHour, Numbers(0, 23)},
        {&W::gpsPort, GpsPorts()},
    };
}

const PickList* Find(ComboBox Window::*list) {
    const auto& lists = PickLists();
    const auto found = std::find_if(lists.begin(), lists.end(),
                                    [list](const PickList& pick) { return pick.list == list; });
    return found == lists.end() ? nullptr : &*found;
}

}  // namespace

const std::vector<PickList>& PickLists() {
    static const std::vector<PickList> lists = MakePickLists();
    return lists;
}

const std::vector<std::string>& EntriesOf(ComboBox Window::*list) {
    static const std::vector<std::string> none;
    const PickList* pick = Find(list);
    return pick != nullptr ? pick->entries : none;
}

void FillPickList(Window& window, ComboBox Window::*list) {
    const PickList* pick = Find(list);
    if (pick == nullptr) {
        return;
    }
    ComboBox& box = window.*list;
    if (pick->showsFirstEntry) {
        box.SetText(pick->entries.front());
    }
    for (const std::string& entry : pick->entries) {
        box.AddItem(entry);
    }
}

void FillPickLists(Window& window) {
    for (const PickList& pick : PickLists()) {
        FillPickList(window, pick.list);
    }
}

}  // namespace corvantis
