#include "window/exit.h"

#include "platform/text_number.h"
#include "platform/window_host.h"
#include "settings/ini.h"
#include "window/services.h"
#include "window/window.h"

namespace corvantis {

namespace {
constexpr int kLeftButtonDown = 513;
constexpr int kLeftButtonDoubleClick = 515;
constexpr int kRightButtonDown = 516;
constexpr int kRightButtonUp = 518;
}  // namespace

void Command1_Click(Window& w, Services& s, WindowHost& host) {
    if (s.MSComm1.PortOpen()) {
        s.MSComm1.SetPortOpen(false);
    }
    WriteIni(s, "GPS", "COMPORT", w.Combo1.Text(), IniPath(s.info, kCorvantisIni));
    host.RemoveNotifyIcon();
    host.UnloadWindow();
    host.EndProgram();
}

void Command4_Click(Window&, Services&) {}

void Form_Unload(Window&, Services&, WindowHost& host) {
    host.RemoveNotifyIcon();
    host.UnloadWindow();
}

void Form_MouseMove(Window& w, Services&, WindowHost& host, double x) {
    const double pixels = RoundHalfEven(host.XToPixels(x));
    if (pixels == kLeftButtonDown || pixels == kLeftButtonDoubleClick ||
        pixels == kRightButtonDown || pixels == kRightButtonUp) {
        host.ShowWindow();
        w.Timer1.SetEnabled(true);
    }
}

}  // namespace corvantis
