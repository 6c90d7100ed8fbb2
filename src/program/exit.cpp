#include "program/exit.h"

#include "form/window.h"
#include "platform/text_number.h"
#include "platform/window_host.h"
#include "settings/key_table.h"

namespace corvantis {

namespace {
constexpr int kLeftButtonDown = 513;
constexpr int kLeftButtonDoubleClick = 515;
constexpr int kRightButtonDown = 516;
constexpr int kRightButtonUp = 518;
}  // namespace

void OnCloseAndExit(Window& w, SerialPort& clockLine, SettingsFiles& settings, WindowHost& host) {
    if (clockLine.PortOpen()) {
        clockLine.SetPortOpen(false);
    }
    SaveSetting(w, settings, Setting::GpsComPort);
    SaveUnsavedSettingsAtExit(settings);
    host.RemoveNotifyIcon();
    host.UnloadWindow();
    host.EndProgram();
}

void SavePendingPicks(Window& w) {
    for (Control* control : w.Controls()) {
        if (auto* list = dynamic_cast<ComboBox*>(control)) {
            list->FinishPick();
        }
    }
}

void OnHideProgram(Window&) {}

void Form_Unload(WindowHost& host) {
    host.RemoveNotifyIcon();
    host.UnloadWindow();
}

void Form_MouseMove(Window& w, WindowHost& host, double x) {
    const double pixels = RoundHalfEven(host.XToPixels(x));
    if (pixels == kLeftButtonDown || pixels == kLeftButtonDoubleClick ||
        pixels == kRightButtonDown || pixels == kRightButtonUp) {
        host.ShowWindow();
        w.displayTick.SetEnabled(true);
    }
}

}  // namespace corvantis
