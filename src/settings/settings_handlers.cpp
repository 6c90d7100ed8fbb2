#include "settings/settings_handlers.h"

#include <array>
#include <functional>

#include "form/window.h"
#include "platform/failure.h"
#include "settings/key_table.h"

namespace corvantis {

namespace {

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

// What a control does besides saving its key, and whether that comes before the save.
struct Reaction {
    void (*react)(Window&) = nullptr;
    bool beforeSaving = false;
};

Reaction ReactionOf(Setting setting) {
    switch (setting) {
        case Setting::DSTenabled:
            return {Check7_Click, true};
        case Setting::DSTstartDOM:
            return {Combo7_Click};
        case Setting::DSTendDOM:
            return {Combo8_Click};
        case Setting::SerialRate:
            return {SerialRate_Click};
        default:
            return {};
    }
}

// The slot of the key's control that SavedOn names.
std::function<void()>& SavingSlot(Window& window, const IniKey& key) {
    if (key.list != nullptr) {
        ComboBox& list = window.*key.list;
        return key.saves == SavedOn::LostFocus ? list.onLostFocus : list.onClick;
    }
    return (window.*key.check).onClick;
}

}  // namespace

void Check7_Click(Window& window) {
    const bool enable = window.Check7.Value() == 1;
    for (ComboBox Window::*list : kDaylightSavingLists) {
        (window.*list).SetEnabled(enable);
    }
}

void Combo7_Click(Window& window) {
    ApplyFixedDayRule(window.Combo7, window.Combo11, window.Combo12);
}

void Combo8_Click(Window& window) {
    ApplyFixedDayRule(window.Combo8, window.Combo9, window.Combo5);
}

void SerialRate_Click(Window& window) {
    const int index = window.SerialRate.ListIndex();
    if (index >= 0 && index <= 3) {
        window.sendRate = static_cast<std::int16_t>(index);
    }
}

void Check1_Click(Window& window, SettingsFiles& settings, MessageDialog& dialog) {
    if (window.Check1.Value() == 1) {
        ReportAndGoOn(dialog, [&] { window.Label9.SetVisible(true); });
        ReportAndGoOn(dialog, [&] { SaveSetting(window, settings, Setting::SendUDP); });
    } else {
        ReportAndGoOn(dialog, [&] { window.Label4.SetVisible(false); });
        ReportAndGoOn(dialog, [&] { window.Label9.SetVisible(false); });
    }
}

void Check8_Click(Window& window) {
    if (window.Check8.Value() == 1) {
        window.sendMode = SendMode::TimeOnly;
    }
}

void Option1_Click(Window& window, SettingsFiles& settings, int /*index*/) {
    window.useUtc = window.Option1[0].Value();
    SaveSetting(window, settings, Setting::TimeUTC);
    SaveSetting(window, settings, Setting::TimeLocal);
}

void AttachSettingsHandlers(Window& window, SettingsFiles& settings, MessageDialog& dialog,
                            AutoRunEntry& autoRun) {
    Window& w = window;
    for (const IniKey& key : IniKeys()) {
        if (key.saves == SavedOn::Handler) {
            continue;
        }
        SavingSlot(w, key) = [&w, &settings, setting = key.setting,
                              reaction = ReactionOf(key.setting)] {
            if (reaction.react != nullptr && reaction.beforeSaving) {
                reaction.react(w);
            }
            SaveSetting(w, settings, setting);
            if (reaction.react != nullptr && !reaction.beforeSaving) {
                reaction.react(w);
            }
        };
    }
    w.Check1.onClick = [&w, &settings, &dialog] { Check1_Click(w, settings, dialog); };
    w.Check8.onClick = [&w] { Check8_Click(w); };
    w.AutoStart.onClick = [&w, &autoRun, &settings] { AutoStart_Click(w, autoRun, settings); };
    w.Option1.onClick = [&w, &settings](int index) { Option1_Click(w, settings, index); };
}

}  // namespace corvantis
