#include "program/startup.h"

#include <string>

#include "form/pick_lists.h"
#include "form/window.h"
#include "platform/failure.h"
#include "serial/port_choice.h"
#include "settings/key_table.h"

namespace corvantis {

namespace {

// Start-up's passes over the window, in order; each action is its own trapped step.
class Loader {
public:
    Loader(Window& w, const StartupReach& reach) : w(w), r(reach) {}

    void StartTimersAndShow();
    void FillDisplayRuleLists();
    void RestoreAddresses();
    void FillNamedAndMotorLists();
    void RestoreDisplayRules();
    void RestoreGpsPort();
    void OpenSerialSyncPort();
    void RestoreRateAndTime();

private:
    template <typename Action>
    void Step(Action&& action) {
        ReportAndGoOn(r.dialog, action);
    }
    void Restore(Setting setting) {
        Step([&] { RestoreSettingNamed(w, r.settings, setting); });
    }
    void Fill(ComboBox Window::*list) {
        Step([&] { FillPickList(w, list); });
    }

    Window& w;
    const StartupReach& r;
};

void Loader::StartTimersAndShow() {
    Step([&] { w.displayTick.SetEnabled(true); });
    Step([&] { w.secondTick.SetEnabled(true); });
    Step([&] { w.pleaseWait.SetVisible(false); });
    Step([&] { r.host.ShowWindow(); });
    Step([&] { w.pcLocalTime.SetVisible(false); });
    Step([&] { w.broadcastTime.SetValue(1); });
    Step([&] { w.sendMode = SendMode::TimeOnly; });
    Step([&] { w.useUtc = true; });
}

void Loader::FillDisplayRuleLists() {
    Step([&] {
        w.zoneOffset.SetText("0");
        FillPickList(w, &Window::zoneOffset);
    });
    Fill(&Window::startDayOfMonth);
    Fill(&Window::endDayOfMonth);
    Fill(&Window::changeHour);
    Fill(&Window::leapYear);
    Step([&] { w.clockPort.SetText(""); });
    Step([&] { ReportUnreadableSettingsFiles(r.settings, r.dialog, r.info.title); });
}

// The addresses are restored before their lists are filled: the stored text stands as it is.
void Loader::RestoreAddresses() {
    Restore(Setting::CurrAddress);
    Restore(Setting::NewAddress);
    Fill(&Window::currentAddress);
    Fill(&Window::newAddress);
}

void Loader::FillNamedAndMotorLists() {
    for (ComboBox Window::*list :
         {&Window::startOccurrence, &Window::startWeekday, &Window::startMonth,
          &Window::endOccurrence, &Window::endWeekday, &Window::endMonth}) {
        Fill(list);
    }
    for (ComboBox Window::*hours : {&Window::motorOnHour, &Window::motorOffHour}) {
        Step([&] {
            (w.*hours).SetText("0");
            FillPickList(w, hours);
        });
    }
}

// The display rules from "\data.ini", in the table's order; each value goes through the
// number rule and sets off the control's reaction when it changes the control.
void Loader::RestoreDisplayRules() {
    for (Setting setting = Setting::TZhouroffset; setting <= Setting::LeapSec;
         setting = static_cast<Setting>(static_cast<int>(setting) + 1)) {
        Restore(setting);
    }
    Step([&] { w.setAddressFlag = 0; });
}

void Loader::RestoreGpsPort() {
    Step([&] {
        w.gpsPort.SetText("None");
        FillPickList(w, &Window::gpsPort);
    });
    Restore(Setting::GpsComPort);
    Step([&] {
        w.versionLabel.SetCaption("Version " + std::to_string(r.info.versionMajor) + "." +
                                  std::to_string(r.info.versionMinor) + "." +
                                  std::to_string(r.info.versionRevision));
    });
    Step([&] {
        if (w.gpsPort.Text().empty()) {
            w.gpsPort.SetText("None");
        }
    });
}

void Loader::OpenSerialSyncPort() {
    Restore(Setting::SendSync);
    Step([&] {
        const bool show = w.sendingOn.Value() == 1;
        w.clockPort.SetVisible(show);
        w.clockPortLabel.SetVisible(show);
    });
    Step([&] { FillSerialSyncList(w, r.probe); });
    Step([&] { w.clockPort.SetText(""); });
    Restore(Setting::SerialSyncComPort);
    std::string openFailure;
    const std::string refusal = OpenStoredSerialSyncPort(
        w, r.clockLine, r.settings, [&](const std::function<void()>& action) {
            Step([&] {
                try {
                    action();
                } catch (const Failure& failure) {
                    openFailure = failure.description();
                    throw;
                }
            });
        });
    if (!refusal.empty()) {
        openFailure = refusal;
    }
    Step([&] {
        const std::string notice =
            NotSendingNotice(w, r.clockLine, r.settings, openFailure, r.info.demoCommand);
        if (!notice.empty()) {
            r.status.ShowWarning(notice);
        }
    });
}

void Loader::RestoreRateAndTime() {
    Step([&] { w.pcLocalTime.SetText(""); });
    Step([&] { w.gpsTime.SetText(""); });
    Step([&] { w.udpAddressLabel.SetVisible(false); });
    Step([&] { w.udpRateLabel.SetVisible(false); });
    Step([&] { RestoreSerialRate(w, r.settings); });
    Restore(Setting::TimeUTC);
    Restore(Setting::TimeLocal);
}

}  // namespace

void Form_Load(Window& w, const StartupReach& reach) {
    Loader load(w, reach);
    load.StartTimersAndShow();
    load.FillDisplayRuleLists();
    load.RestoreAddresses();
    load.FillNamedAndMotorLists();
    load.RestoreDisplayRules();
    load.RestoreGpsPort();
    load.OpenSerialSyncPort();
    load.RestoreRateAndTime();
}

}  // namespace corvantis
