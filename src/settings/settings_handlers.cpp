#include "settings/settings_handlers.h"

#include <array>

#include "platform/failure.h"
#include "settings/auto_run.h"
#include "settings/key_table.h"
#include "window/services.h"
#include "window/window.h"

namespace corvantis {

namespace {

constexpr std::int16_t kTimeOnlyMessage = 3;

// The daylight-saving lists in the order Check7 switches them.
constexpr std::array<ComboBox Window::*, 8> kDaylightSavingLists{
    &Window::Combo7, &Window::Combo10, &Window::Combo11, &Window::Combo12,
    &Window::Combo5, &Window::Combo6,  &Window::Combo9,  &Window::Combo8};

// A fixed day of the month (index above 0) switches the weekday and occurrence lists of the
// same rule off; no fixed day switches them on.
void ApplyFixedDayRule(const ComboBox& dayOfMonth, ComboBox& first, ComboBox& second) {
    const bool fixedDay = dayOfMonth.ListIndex() > 0;
    first.SetEnabled(!fixedDay);
    second.SetEnabled(!fixedDay);
}

}  // namespace

void Check1_Click(Window& window, Services& services) {
    if (window.Check1.Value() == 1) {
        ReportAndGoOn(services.dialog, [&] { window.Label9.SetVisible(true); });
        ReportAndGoOn(services.dialog, [&] { SaveSetting(window, services, Setting::SendUDP); });
    } else {
        ReportAndGoOn(services.dialog, [&] { window.Label4.SetVisible(false); });
        ReportAndGoOn(services.dialog, [&] { window.Label9.SetVisible(false); });
    }
}

void Check3_Click(Window& window, Services& services) {
    SaveSetting(window, services, Setting::GPSdate);
}

void Check6_Click(Window& window, Services& services) {
    SaveSetting(window, services, Setting::EnableOCXO);
}

void Check7_Click(Window& window, Services& services) {
    const bool enable = window.Check7.Value() == 1;
    for (ComboBox Window::*list : kDaylightSavingLists) {
        (window.*list).SetEnabled(enable);
    }
    SaveSetting(window, services, Setting::DSTenabled);
}

void Check8_Click(Window& window, Services&) {
    if (window.Check8.Value() == 1) {
        window.sendMode = kTimeOnlyMessage;
    }
}

void Combo7_Click(Window& window, Services& services) {
    SaveSetting(window, services, Setting::DSTstartDOM);
    ApplyFixedDayRule(window.Combo7, window.Combo11, window.Combo12);
}

void Combo8_Click(Window& window, Services& services) {
    SaveSetting(window, services, Setting::DSTendDOM);
    ApplyFixedDayRule(window.Combo8, window.Combo9, window.Combo5);
}

void CurrAddress_Click(Window& window, Services& services) {
    SaveSetting(window, services, Setting::CurrAddress);
}

void NewAddress_Click(Window& window, Services& services) {
    SaveSetting(window, services, Setting::NewAddress);
}

void SerialRate_Click(Window& window, Services& services) {
    SaveSetting(window, services, Setting::SerialRate);
    const int index = window.SerialRate.ListIndex();
    if (index >= 0 && index <= 3) {
        window.sendRate = static_cast<std::int16_t>(index);
    }
}

void Option1_Click(Window& window, Services& services, int /*index*/) {
    window.useUtc = window.Option1[0].Value();
    SaveSetting(window, services, Setting::TimeUTC);
    SaveSetting(window, services, Setting::TimeLocal);
}

void Combo5_LostFocus(Window& window, Services& services) {
    SaveSetting(window, services, Setting::DSTendDOW);
}
void Combo6_LostFocus(Window& window, Services& services) {
    SaveSetting(window, services, Setting::DSTendMon);
}
void Combo9_LostFocus(Window& window, Services& services) {
    SaveSetting(window, services, Setting::DSTendoccur);
}
void Combo10_LostFocus(Window& window, Services& services) {
    SaveSetting(window, services, Setting::DSTstartMon);
}
void Combo11_LostFocus(Window& window, Services& services) {
    SaveSetting(window, services, Setting::DSTstartDOW);
}
void Combo12_LostFocus(Window& window, Services& services) {
    SaveSetting(window, services, Setting::DSTstartoccur);
}
void Combo13_LostFocus(Window& window, Services& services) {
    SaveSetting(window, services, Setting::DSThour);
}
void Combo14_LostFocus(Window& window, Services& services) {
    SaveSetting(window, services, Setting::LeapSec);
}
void HourOffset_LostFocus(Window& window, Services& services) {
    SaveSetting(window, services, Setting::TZhouroffset);
}

void AttachSettingsHandlers(Window& window, Services& services) {
    Window& w = window;
    Services& s = services;
    const auto bind = [&w, &s](Handler handler) { return Bind(handler, w, s); };
    w.Check1.onClick = bind(Check1_Click);
    w.Check3.onClick = bind(Check3_Click);
    w.Check6.onClick = bind(Check6_Click);
    w.Check7.onClick = bind(Check7_Click);
    w.Check8.onClick = bind(Check8_Click);
    w.AutoStart.onClick = bind(AutoStart_Click);
    w.Combo7.onClick = bind(Combo7_Click);
    w.Combo8.onClick = bind(Combo8_Click);
    w.CurrAddress.onClick = bind(CurrAddress_Click);
    w.NewAddress.onClick = bind(NewAddress_Click);
    w.SerialRate.onClick = bind(SerialRate_Click);
    w.Option1.onClick = [&w, &s](int index) { Option1_Click(w, s, index); };
    w.Combo5.onLostFocus = bind(Combo5_LostFocus);
    w.Combo6.onLostFocus = bind(Combo6_LostFocus);
    w.Combo9.onLostFocus = bind(Combo9_LostFocus);
    w.Combo10.onLostFocus = bind(Combo10_LostFocus);
    w.Combo11.onLostFocus = bind(Combo11_LostFocus);
    w.Combo12.onLostFocus = bind(Combo12_LostFocus);
    w.Combo13.onLostFocus = bind(Combo13_LostFocus);
    w.Combo14.onLostFocus = bind(Combo14_LostFocus);
    w.HourOffset.onLostFocus = bind(HourOffset_LostFocus);
}

}  // namespace corvantis
