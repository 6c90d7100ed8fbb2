#include "serial/port_choice.h"

#include <cstdint>
#include <string>

#include "platform/failure.h"
#include "platform/message_dialog.h"
#include "platform/text_number.h"
#include "settings/ini.h"

namespace corvantis {

namespace {
constexpr int kFirstPort = 1;
constexpr int kLastPort = 16;
constexpr const char* kNone = "None";
constexpr const char* kSerialSyncSection = "SerialSync";
constexpr const char* kGpsSection = "GPS";
constexpr const char* kComPortKey = "COMPORT";

std::string PortName(int number) {
    return "COM" + std::to_string(number);
}

// `text` without its first character; empty text stays empty.
std::string WithoutFirstCharacter(const std::string& text) {
    return text.empty() ? std::string() : text.substr(1);
}

void StoreComPort(Services& services, const char* section, const std::string& name) {
    WriteIni(services, section, kComPortKey, name, IniPath(services.info, kCorvantisIni));
}
}  // namespace

void Combo2_Click(Window& window, Services& services) {
    SerialPort& port = services.MSComm1;
    // A failure escaping a click would end the program; the line settings are skipped
    // silently like every later step.
    SkipSilently([&] { port.SetSettings(kLineSettings); });
    SkipSilently([&] {
        if (port.PortOpen()) {
            port.SetPortOpen(false);
        }
    });
    std::string chosen = WithoutFirstCharacter(window.Combo2.Text());
    SkipSilently([&] {
        for (int number = kFirstPort; number <= kLastPort; ++number) {
            if (chosen == PortName(number)) {
                port.SetCommPort(static_cast<std::int16_t>(number));
                break;
            }
        }
    });
    window.Combo2.SetText(WithoutFirstCharacter(window.Combo2.Text()));
    SkipSilently([&] {
        if (window.Combo2.Text() != kNone) {
            port.SetPortOpen(true);
        }
    });
    StoreComPort(services, kSerialSyncSection, window.Combo2.Text());
}

void Combo1_Click(Window& window, Services& services) {
    const std::string gps = window.Combo1.Text();
    const std::string serialSync = window.Combo2.Text();
    const int check2 = window.Check2.Value();
    const bool accepted = gps != serialSync || (serialSync == kNone && check2 == 1) || check2 == 0;
    MessageDialog& dialog = services.dialog;
    if (accepted) {
        ReportAndGoOn(dialog, [&] { StoreComPort(services, kGpsSection, gps); });
        return;
    }
    ReportAndGoOn(dialog, [&] {
        dialog.Show("Please check your comm settings", "ERROR", MessageIcon::Exclamation);
    });
    ReportAndGoOn(dialog, [&] { window.Combo1.SetText(kNone); });
    ReportAndGoOn(dialog, [&] { StoreComPort(services, kGpsSection, kNone); });
}

void AttachSerialHandlers(Window& window, Services& services) {
    window.Combo1.onClick = Bind(Combo1_Click, window, services);
    window.Combo2.onClick = Bind(Combo2_Click, window, services);
}

void FillSerialSyncList(Window& window, Services& services) {
    for (int number = kFirstPort; number <= kLastPort; ++number) {
        const bool present = services.probe.ProbeComPort(static_cast<std::int16_t>(number));
        window.Combo2.AddItem((present ? "+" : " ") + PortName(number));
    }
}

void OpenStoredSerialSyncPort(Window& window, Services& services, const StartupTrap& trap) {
    SerialPort& port = services.MSComm1;
    ComboBox& list = window.Combo2;
    if (list.Text().empty()) {
        list.SetText(PortName(kFirstPort));
    }
    if (list.Text().starts_with("COM")) {
        trap([&] {
            port.SetCommPort(
                RoundToInteger16(LeadingNumber(std::string_view(list.Text()).substr(3))));
        });
    }
    if (window.Check2.Value() == 1) {
        trap([&] { port.SetSettings(kLineSettings); });
        if (list.Text() != kNone) {
            trap([&] { port.SetPortOpen(true); });
        }
    }
}

std::string NotSendingNotice(Window& window, Services& services, const std::string& openFailure) {
    if (window.Check2.Value() == 1 && services.MSComm1.PortOpen()) {
        return {};
    }
    const std::string where =
        "The port is chosen in \"Serial Sync Com Port\" and stored as "
        "COMPORT in the [SerialSync] section of " +
        IniPath(services.info, kCorvantisIni) + ".";
    const std::string demo = " To see the program work without clocks, run scripts/run --demo.";
    const std::string chosen = window.Combo2.Text();
    if (window.Check2.Value() != 1) {
        return "Not sending to the clocks: sending is switched off (SENDSYNC is not 1 in the "
               "[SerialSync] section of " +
               IniPath(services.info, kCorvantisIni) + ")." + demo;
    }
    if (chosen.empty() || chosen == "None") {
        return "Not sending to the clocks: no serial port is chosen. " + where + demo;
    }
    const std::string reason = openFailure.empty() ? "it is not open" : openFailure;
    return "Not sending to the clocks: " + chosen + " could not be opened (" + reason + "). " +
           where + demo;
}

}  // namespace corvantis
