#include "serial/port_choice.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

void OnSerialPortPicked(Window& window, SerialPort& clockLine, SettingsFiles& settings) {
    SerialPort& port = clockLine;
    // A failure escaping a click would end the program; the line settings are skipped
    // silently like every later step.
    SkipSilently([&] { port.SetSettings(kLineSettings); });
    SkipSilently([&] {
        if (port.PortOpen()) {
            port.SetPortOpen(false);
        }
    });
    std::string chosen = WithoutFirstCharacter(window.clockPort.Text());
    SkipSilently([&] {
        for (int number = kFirstComPort; number <= kLastComPort; ++number) {
            if (chosen == ComName(number)) {
                port.SetCommPort(static_cast<std::int16_t>(number));
                break;
            }
        }
    });
    window.clockPort.SetText(WithoutFirstCharacter(window.clockPort.Text()));
    SkipSilently([&] {
        if (window.clockPort.Text() != kNone) {
            port.SetPortOpen(true);
        }
    });
    SaveSetting(window, settings, Setting::SerialSyncComPort);
}

void OnGpsPortPicked(Window& window, SettingsFiles& settings, MessageDialog& dialog) {
    const std::string gps = window.gpsPort.Text();
    const std::string serialSync = window.clockPort.Text();
    const int check2 = window.sendingOn.Value();
    const bool accepted = gps != serialSync || (serialSync == kNone && check2 == 1) || check2 == 0;
    if (accepted) {
        ReportAndGoOn(dialog, [&] { StoreSetting(settings, Setting::GpsComPort, gps); });
        return;
    }
    ReportAndGoOn(dialog, [&] {
        dialog.Show("Please check your comm settings", "ERROR", MessageIcon::Exclamation);
    });
    ReportAndGoOn(dialog, [&] { window.gpsPort.SetText(kNone); });
    ReportAndGoOn(dialog, [&] { StoreSetting(settings, Setting::GpsComPort, kNone); });
}

void AttachSerialHandlers(Window& window, SerialPort& clockLine, SettingsFiles& settings,
                          MessageDialog& dialog) {
    window.gpsPort.onClick = [&window, &settings, &dialog] {
        OnGpsPortPicked(window, settings, dialog);
    };
    window.clockPort.onClick = [&window, &clockLine, &settings] {
        OnSerialPortPicked(window, clockLine, settings);
    };
}

void FillSerialSyncList(Window& window, PortProbe& probe) {
    for (int number = kFirstComPort; number <= kLastComPort; ++number) {
        const bool present = probe.ProbeComPort(static_cast<std::int16_t>(number));
        window.clockPort.AddItem((present ? "+" : " ") + ComName(number));
    }
}

namespace {

// The port number a stored Serial Sync name gives when it names one from COM1 to COM16.
std::optional<std::int16_t> StoredPortNumber(const std::string& text) {
    if (!text.starts_with("COM")) {
        return std::nullopt;
    }
    std::int16_t number = 0;
    try {
        number = RoundToInteger16(LeadingNumber(std::string_view(text).substr(3)));
    } catch (const Failure&) {
        return std::nullopt;  // too big for the field
    }
    if (number < kFirstComPort || number > kLastComPort) {
        return std::nullopt;
    }
    return number;
}

// `text` as it may be shown on one line: control characters as '?', at most 60 characters.
std::string Shown(const std::string& text) {
    constexpr std::size_t kLongest = 60;
    std::string shown = text.substr(0, kLongest);
    for (char& c : shown) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            c = '?';
        }
    }
    return text.size() > kLongest ? shown + "..." : shown;
}

}  // namespace

std::string OpenStoredSerialSyncPort(Window& window, SerialPort& clockLine,
                                     const SettingsFiles& settings, const StartupTrap& trap) {
    SerialPort& port = clockLine;
    ComboBox& list = window.clockPort;
    if (list.Text().empty()) {
        list.SetText(ComName(kFirstComPort));
    }
    std::string refusal;
    if (list.Text() != kNone) {
        if (const auto number = StoredPortNumber(list.Text())) {
            trap([&] { port.SetCommPort(*number); });
        } else {
            refusal = "the stored Serial Sync port \"" + Shown(list.Text()) +
                      "\" (COMPORT in the [SerialSync] section of " +
                      settings.PathOf(kCorvantisIni) +
                      ") is not one of COM1 to COM16, so no port is opened";
            list.SetText(kNone);
        }
    }
    if (window.sendingOn.Value() == 1) {
        trap([&] { port.SetSettings(kLineSettings); });
        if (list.Text() != kNone) {
            trap([&] { port.SetPortOpen(true); });
        }
    }
    return refusal;
}

namespace {

// Each reason the tick cannot send now, as a clause naming what holds it and how to fix it.
std::vector<std::string> NotSendingReasons(const Window& window, const SerialPort& clockLine,
                                           SettingsFiles& settings,
                                           const std::string& portProblem) {
    const std::string corvantisIni = settings.PathOf(kCorvantisIni);
    const std::string where =
        ". The port is chosen in \"Serial Sync Com Port\" and stored as "
        "COMPORT in the [SerialSync] section of " +
        corvantisIni;
    const std::string chosen = window.clockPort.Text();
    const bool noneChosen = chosen.empty() || chosen == kNone;
    std::vector<std::string> reasons;
    if (window.sendingOn.Value() != 1) {
        reasons.push_back(
            "sending is switched off (SENDSYNC is not 1 in the [SerialSync] "
            "section of " +
            corvantisIni + ")");
    }
    if (noneChosen && !portProblem.empty()) {
        reasons.push_back(portProblem + where);
    } else if (window.sendingOn.Value() == 1 && !clockLine.PortOpen()) {
        if (noneChosen) {
            reasons.push_back("no serial port is chosen" + where);
        } else {
            reasons.push_back(chosen +
                              (portProblem.empty() ? " is not open"
                                                   : " could not be opened (" + portProblem + ")") +
                              "; it is tried again every few seconds" + where);
        }
    }
    if (window.rulesWithTime.Value() != 1) {
        const std::string stored =
            ReadIni(settings, "CommMethod", "EnableOCXO", "1", settings.PathOf(kDataIni));
        const bool refused = stored != "0" && stored != "2";
        reasons.push_back("\"" + window.rulesWithTime.Caption() +
                          "\" is off, which stops every message: EnableOCXO in the "
                          "[CommMethod] section of " +
                          settings.PathOf(kDataIni) + " holds \"" + Shown(stored) + "\"" +
                          (refused ? ", which start-up refused" : "") +
                          "; set it to 1 and start the program again");
    }
    if (window.toMessageClocks.Value() == 1) {
        reasons.push_back("\"" + window.toMessageClocks.Caption() + "\" is ticked");
    }
    const bool commandOrRules =
        static_cast<std::int16_t>(window.sendMode) < static_cast<std::int16_t>(SendMode::TimeOnly);
    if (window.broadcastTime.Value() != 1 && !commandOrRules) {
        reasons.push_back("\"" + window.broadcastTime.Caption() + "\" is off, so no time is sent");
    }
    return reasons;
}

}  // namespace

std::string NotSendingNotice(const Window& window, const SerialPort& clockLine,
                             SettingsFiles& settings, const std::string& portProblem,
                             const std::string& demoCommand) {
    const std::vector<std::string> reasons =
        NotSendingReasons(window, clockLine, settings, portProblem);
    if (reasons.empty()) {
        return {};
    }
    std::string notice = "Not sending to the clocks: ";
    for (std::size_t i = 0; i < reasons.size(); ++i) {
        notice += (i == 0 ? "" : ". And ") + reasons[i];
    }
    notice += ".";
    if (!demoCommand.empty()) {
        notice += " To see the program work without clocks, run " + demoCommand + ".";
    }
    return notice;
}

}  // namespace corvantis
