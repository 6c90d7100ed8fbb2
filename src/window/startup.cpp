#include "window/startup.h"

#include <charconv>
#include <string>

#include "platform/failure.h"
#include "platform/window_host.h"
#include "serial/port_choice.h"
#include "settings/ini.h"
#include "settings/key_table.h"
#include "window/services.h"
#include "window/window.h"

namespace corvantis {

namespace {

const char* const kOccurrences[] = {"First", "Second", "Third", "Fourth", "Last"};
const char* const kWeekdays[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Sets the list's text to its first entry, then appends all of them.
template <std::size_t N>
void FillNamed(ComboBox& list, const char* const (&entries)[N]) {
    list.SetText(entries[0]);
    for (const char* entry : entries) {
        list.AddItem(entry);
    }
}

void FillNumbers(ComboBox& list, int first, int last) {
    for (int n = first; n <= last; ++n) {
        list.AddItem(std::to_string(n));
    }
}

// The text of a half-hour offset as the list shows it: no leading blank, no trailing ".0".
// Shortest round-trip form, independent of the C locale.
std::string OffsetText(float hours) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, hours);
    return std::string(text, result.ptr);
}

}  // namespace

void Form_Load(Window& w, Services& s, WindowHost& host) {
    // One trapped action: a failure is reported and start-up goes on.
    auto step = [&s](auto&& action) { ReportAndGoOn(s.dialog, action); };
    auto restore = [&](Setting setting) { step([&] { RestoreSettingNamed(w, s, setting); }); };

    step([&] { w.Timer1.SetEnabled(true); });
    step([&] { w.Timer2.SetEnabled(true); });
    step([&] { w.Label33.SetVisible(false); });
    step([&] { host.ShowWindow(); });
    step([&] { w.txtLocalTime.SetVisible(false); });
    step([&] { w.Check8.SetValue(1); });
    step([&] { w.sendMode = 3; });
    step([&] { w.useUtc = true; });

    step([&] {
        w.HourOffset.SetText("0");
        // A single-precision counter, as the list has always been built.
        for (float hours = -12.0f; hours <= 13.0f; hours += 0.5f) {
            w.HourOffset.AddItem(OffsetText(hours));
        }
    });
    step([&] {
        for (int day = 0; day <= 31; ++day) {
            w.Combo7.AddItem(std::to_string(day));
            w.Combo8.AddItem(std::to_string(day));
        }
    });
    step([&] { FillNumbers(w.Combo13, 0, 23); });
    step([&] { FillNumbers(w.Combo14, 0, 99); });
    step([&] { w.Combo2.SetText(""); });
    step([&] { ReportUnreadableSettingsFiles(s); });
    restore(Setting::CurrAddress);
    restore(Setting::NewAddress);
    step([&] {
        for (int address = 0; address <= 99; ++address) {
            w.CurrAddress.AddItem(std::to_string(address));
            w.NewAddress.AddItem(std::to_string(address));
        }
    });
    step([&] { FillNamed(w.Combo12, kOccurrences); });
    step([&] { FillNamed(w.Combo11, kWeekdays); });
    step([&] { FillNamed(w.Combo10, kMonths); });
    step([&] { FillNamed(w.Combo9, kOccurrences); });
    step([&] { FillNamed(w.Combo5, kWeekdays); });
    step([&] { FillNamed(w.Combo6, kMonths); });
    for (ComboBox* hours : {&w.Combo3, &w.Combo4}) {
        step([&] {
            hours->SetText("0");
            FillNumbers(*hours, 0, 23);
        });
    }

    // The display rules from "\data.ini", in the table's order; each value goes through the
    // number rule and sets off the control's reaction when it changes the control.
    for (Setting setting = Setting::TZhouroffset; setting <= Setting::LeapSec;
         setting = static_cast<Setting>(static_cast<int>(setting) + 1)) {
        restore(setting);
    }

    step([&] { w.setAddressFlag = 0; });
    step([&] {
        w.Combo1.SetText("None");
        w.Combo1.AddItem("None");
        for (int n = 1; n <= 9; ++n) {
            w.Combo1.AddItem("COM" + std::to_string(n));
        }
    });
    restore(Setting::GpsComPort);
    step([&] {
        w.Label2.SetCaption("Version " + std::to_string(s.info.versionMajor) + "." +
                            std::to_string(s.info.versionMinor) + "." +
                            std::to_string(s.info.versionRevision));
    });
    step([&] {
        if (w.Combo1.Text().empty()) {
            w.Combo1.SetText("None");
        }
    });
    restore(Setting::SendSync);
    step([&] {
        const bool show = w.Check2.Value() == 1;
        w.Combo2.SetVisible(show);
        w.Label10.SetVisible(show);
    });
    step([&] { FillSerialSyncList(w, s); });
    step([&] { w.Combo2.SetText(""); });
    restore(Setting::SerialSyncComPort);
    std::string openFailure;
    OpenStoredSerialSyncPort(w, s, [&](const std::function<void()>& action) {
        step([&] {
            try {
                action();
            } catch (const Failure& failure) {
                openFailure = failure.description();
                throw;
            }
        });
    });
    step([&] {
        const std::string notice = NotSendingNotice(w, s, openFailure);
        if (!notice.empty()) {
            s.status.ShowWarning(notice);
        }
    });
    step([&] { w.txtLocalTime.SetText(""); });
    step([&] { w.txtGPStime.SetText(""); });
    step([&] { w.Label4.SetVisible(false); });
    step([&] { w.Label9.SetVisible(false); });
    step([&] { RestoreSerialRate(w, s); });
    restore(Setting::TimeUTC);
    restore(Setting::TimeLocal);
}

}  // namespace corvantis
