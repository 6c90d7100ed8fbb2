#include "serial/port_choice.h"

#include <cstdint>
#include <string>

#include "platform/failure.h"
#include "platform/message_dialog.h"
#include "platform/port_map.h"
#include "platform/text_number.h"
#include "settings/key_table.h"

namespace corvantis {

namespace {
constexpr const char* kNone = "None";

// `text` without its first character; empty text stays empty.
std::string WithoutFirstCharacter(const std::string& text) {
    return text.empty() ? std::string() : text.substr(1);
}
}  // namespace

void Combo2_Click(Window& window, SerialPort& MSComm1, SettingsFiles& settings) {
    SerialPort& port = MSComm1;
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
        for (int number = kFirstComPort; number <= kLastComPort; ++number) {
            if (chosen == ComName(number)) {
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
    SaveSetting(window, settings, Setting::SerialSyncComPort);
}

void Combo1_Click(Window& window, SettingsFiles& settings, MessageDialog& dialog) {
    const std::string gps = window.Combo1.Text();
    const std::string serialSync = window.Combo2.Text();
    const int check2 = window.Check2.Value();
    const bool accepted = gps != serialSync || (serialSync == kNone && check2 == 1) || check2 == 0;
    if (accepted) {
        ReportAndGoOn(dialog, [&] { StoreSetting(settings, Setting::GpsComPort, gps); });
        return;
    }
    ReportAndGoOn(dialog, [&] {
        dialog.Show("Please check your comm settings", "ERROR", MessageIcon::Exclamation);
    });
    ReportAndGoOn(dialog, [&] { window.Combo1.SetText(kNone); });
    ReportAndGoOn(dialog, [&] { StoreSetting(settings, Setting::GpsComPort, kNone); });
}

void AttachSerialHandlers(Window& window, SerialPort& MSComm1, SettingsFiles& settings,
                          MessageDialog& dialog) {
    window.Combo1.onClick = [&window, &settings, &dialog] {
        Combo1_Click(window, settings, dialog);
    };
    window.Combo2.onClick = [&window, &MSComm1, &settings] {
        Combo2_Click(window, MSComm1, settings);
    };
}

void FillSerialSyncList(Window& window, PortProbe& probe) {
    for (int number = kFirstComPort; number <= kLastComPort; ++number) {
        const bool present = probe.ProbeComPort(static_cast<std::int16_t>(number));
        window.Combo2.AddItem((present ? "+" : " ") + ComName(number));
    }
}

void OpenStoredSerialSyncPort(Window& window, SerialPort& MSComm1, const StartupTrap& trap) {
    SerialPort& port = MSComm1;
    ComboBox& list = window.Combo2;
    if (list.Text().empty()) {
        list.SetText(ComName(kFirstComPort));
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

std::string NotSendingNotice(const Window& window, const SerialPort& MSComm1,
                             const SettingsFiles& settings, const std::string& openFailure,
                             const std::string& demoCommand) {
    if (window.Check2.Value() == 1 && MSComm1.PortOpen()) {
        return {};
    }
    const std::string where =
        "The port is chosen in \"Serial Sync Com Port\" and stored as "
        "COMPORT in the [SerialSync] section of " +
        settings.PathOf(kCorvantisIni) + ".";
    const std::string demo =
        demoCommand.empty() ? ""
                            : " To see the program work without clocks, run " + demoCommand + ".";
    const std::string chosen = window.Combo2.Text();
    if (window.Check2.Value() != 1) {
        return "Not sending to the clocks: sending is switched off (SENDSYNC is not 1 in the "
               "[SerialSync] section of " +
               settings.PathOf(kCorvantisIni) + ")." + demo;
    }
    if (chosen.empty() || chosen == "None") {
        return "Not sending to the clocks: no serial port is chosen. " + where + demo;
    }
    const std::string reason = openFailure.empty() ? "it is not open" : openFailure;
    return "Not sending to the clocks: " + chosen + " could not be opened (" + reason + "). " +
           where + demo;
}

}  // namespace corvantis
