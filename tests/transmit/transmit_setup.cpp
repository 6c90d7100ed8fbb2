#include "transmit_setup.h"

#include <cstdio>

#include "transmit/operator_commands.h"

namespace corvantis::testing {

namespace {

void FillNumbers(ComboBox& list, int first, int last) {
    for (int n = first; n <= last; ++n) {
        list.AddItem(std::to_string(n));
    }
}

void FillTexts(ComboBox& list, const std::vector<std::string>& entries) {
    for (const auto& entry : entries) {
        list.AddItem(entry);
    }
}

}  // namespace

void SetUpAsStarted(Window& w, FakePlatform& platform) {
    // -12, -11.5 ... 13: entry n is -12 + n/2 hours.
    for (int n = 0; n <= 50; ++n) {
        char text[16];
        std::snprintf(text, sizeof text, "%g", -12 + n / 2.0);
        w.HourOffset.AddItem(text);
    }
    FillNumbers(w.Combo7, 0, 31);
    FillNumbers(w.Combo8, 0, 31);
    FillNumbers(w.Combo13, 0, 23);
    FillNumbers(w.Combo14, 0, 99);
    const std::vector<std::string> months{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const std::vector<std::string> occurrences{"First", "Second", "Third", "Fourth", "Last"};
    const std::vector<std::string> weekdays{"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    FillTexts(w.Combo10, months);
    FillTexts(w.Combo6, months);
    FillTexts(w.Combo12, occurrences);
    FillTexts(w.Combo9, occurrences);
    FillTexts(w.Combo11, weekdays);
    FillTexts(w.Combo5, weekdays);

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

    w.Check2.SetValue(1);
    w.Check6.SetValue(1);
    w.Check8.SetValue(1);
    w.Option1[0].SetValue(true);
    w.useUtc = true;
    w.sendMode = 3;
    w.setAddressFlag = 0;
    w.Label33.SetVisible(false);
    platform.port.SetPortOpen(true);
}

TransmitRig::TransmitRig(const DateTime& local, int millis, std::chrono::minutes utcOffset) {
    platform.clock.SetUtcOffset(utcOffset);
    platform.clock.SetLocal(local, millis);
    SetUpAsStarted(window, platform);
    AttachTransmitHandlers(window, platform.services);
    driver = std::make_unique<TimerDriver>(
        platform.timers,
        std::vector<Timer*>{&window.SendUDP, &window.Timer1, &window.Timer2, &window.Timer3});
}

void TransmitRig::RunUntil(const DateTime& local, int millis) {
    FakeClock target;
    target.SetUtcOffset(platform.clock.UtcOffset());
    target.SetLocal(local, millis);
    platform.timers.RunFor(target.UtcMillis() - platform.clock.UtcMillis());
}

std::vector<std::string> TransmitRig::Written() const {
    std::vector<std::string> messages;
    for (const auto& write : platform.port.writes) {
        messages.push_back(write.bytes);
    }
    return messages;
}

}  // namespace corvantis::testing
