#include "settings/settings_handlers.h"

#include <array>
#include <functional>

#include "form/window.h"
#include "platform/failure.h"
#include "settings/key_table.h"

namespace corvantis {

namespace {

// The daylight-saving lists in the order autoDaylightSaving switches them.
constexpr std::array<ComboBox Window::*, 8> kDaylightSavingLists{
    &Window::startDayOfMonth, &Window::startMonth, &Window::startWeekday,  &Window::startOccurrence,
    &Window::endWeekday,      &Window::endMonth,   &Window::endOccurrence, &Window::endDayOfMonth};

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
            return {OnAutoDaylightSavingClicked, true};
        case Setting::DSTstartDOM:
            return {OnStartDayOfMonthPicked};
        case Setting::DSTendDOM:
            return {OnEndDayOfMonthPicked};
        case Setting::SerialRate:
            return {OnSerialRatePicked};
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

void OnAutoDaylightSavingClicked(Window& window) {
    const bool enable = window.autoDaylightSaving.Value() == 1;
    for (ComboBox Window::*list : kDaylightSavingLists) {
        (window.*list).SetEnabled(enable);
    }
}

void OnStartDayOfMonthPicked(Window& window) {
    ApplyFixedDayRule(window.startDayOfMonth, window.startWeekday, window.startOccurrence);
}

void OnEndDayOfMonthPicked(Window& window) {
    ApplyFixedDayRule(window.endDayOfMonth, window.endOccurrence, window.endWeekday);
}

void OnSerialRatePicked(Window& window) {
    const int index = window.serialRate.ListIndex();
    if (index >= 0 && index <= 3) {
        window.sendRate = static_cast<std::int16_t>(index);
    }
}

void OnUdpBroadcastClicked(Window& window, SettingsFiles& settings, MessageDialog& dialog) {
    if (window.udpBroadcast.Value() == 1) {
        ReportAndGoOn(dialog, [&] { window.udpRateLabel.SetVisible(true); });
        ReportAndGoOn(dialog, [&] { SaveSetting(window, settings, Setting::SendUDP); });
    } else {
        ReportAndGoOn(dialog, [&] { window.udpAddressLabel.SetVisible(false); });
        ReportAndGoOn(dialog, [&] { window.udpRateLabel.SetVisible(false); });
    }
}

void OnBroadcastTimeClicked(Window& window) {
    if (window.broadcastTime.Value() == 1) {
        window.sendMode = SendMode::TimeOnly;
    }
}

void OnUtcOrLocalClicked(Window& window, SettingsFiles& settings, int /*index*/) {
    window.useUtc = window.utcOrLocal[0].Value();
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
    w.udpBroadcast.onClick = [&w, &settings, &dialog] {
        OnUdpBroadcastClicked(w, settings, dialog);
    };
    w.broadcastTime.onClick = [&w] { OnBroadcastTimeClicked(w); };
    w.autoStart.onClick = [&w, &autoRun, &settings] { OnAutoStartClicked(w, autoRun, settings); };
    w.utcOrLocal.onClick = [&w, &settings](int index) { OnUtcOrLocalClicked(w, settings, index); };
}

}  // namespace corvantis
