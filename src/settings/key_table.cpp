#include "settings/key_table.h"

#include "platform/ascii_text.h"
#include "platform/failure.h"
#include "platform/text_number.h"
#include "settings/ini.h"
#include "window/services.h"

namespace corvantis {

namespace {

constexpr const char* kGps = "GPS";
constexpr const char* kSerialSync = "SerialSync";
constexpr const char* kUdp = "UDP";
constexpr const char* kCommMethod = "CommMethod";

constexpr IniKey ListTextKey(Setting setting, IniFile file, const char* section, const char* key,
                             const char* fallback, ComboBox Window::*list) {
    return IniKey{.setting = setting,
                  .file = file,
                  .section = section,
                  .key = key,
                  .encoding = Encoding::ListText,
                  .read = ReadRule::Text,
                  .fallback = fallback,
                  .feeds = Feeds::ListText,
                  .list = list};
}

constexpr IniKey IndexKey(Setting setting, const char* key, const char* fallback,
                          ComboBox Window::*list) {
    return IniKey{.setting = setting,
                  .file = IniFile::Data,
                  .section = kCommMethod,
                  .key = key,
                  .encoding = Encoding::Number,
                  .read = ReadRule::Number,
                  .fallback = fallback,
                  .feeds = Feeds::ListIndex,
                  .list = list};
}

constexpr IniKey CheckKey(Setting setting, IniFile file, const char* section, const char* key,
                          Encoding encoding, ReadRule read, const char* fallback,
                          CheckBox Window::*check) {
    return IniKey{.setting = setting,
                  .file = file,
                  .section = section,
                  .key = key,
                  .encoding = encoding,
                  .read = read,
                  .fallback = fallback,
                  .feeds = Feeds::CheckValue,
                  .check = check};
}

constexpr IniKey OptionKey(Setting setting, const char* key, const char* fallback, int option) {
    return IniKey{.setting = setting,
                  .file = IniFile::Corvantis,
                  .section = kSerialSync,
                  .key = key,
                  .encoding = Encoding::BooleanText,
                  .read = ReadRule::Boolean,
                  .fallback = fallback,
                  .feeds = Feeds::OptionValue,
                  .options = &Window::Option1,
                  .option = option};
}

// Rows in Setting order. The defaults of the daylight-saving rows select the second Sunday of
// March to the first Sunday of November at 02:00; index 12 of the time-zone list is -6 hours.
constexpr std::array<IniKey, kSettingCount> kKeys = [] {
    using enum Setting;
    using enum IniFile;
    using Encoding::BlankLedNumber;
    using ReadRule::LeadingNumber;
    using ReadRule::NotRead;
    return std::array<IniKey, kSettingCount>{{
        ListTextKey(CurrAddress, Corvantis, kGps, "CurrAddress", "0", &Window::CurrAddress),
        ListTextKey(NewAddress, Corvantis, kGps, "NewAddress", "0", &Window::NewAddress),
        IndexKey(TZhouroffset, "TZhouroffset", "12", &Window::HourOffset),
        CheckKey(EnableOCXO, Data, kCommMethod, "EnableOCXO", Encoding::Number, ReadRule::Number,
                 "1", &Window::Check6),
        CheckKey(DSTenabled, Data, kCommMethod, "DSTenabled", Encoding::Number, ReadRule::Number,
                 "1", &Window::Check7),
        IndexKey(DSTstartoccur, "DSTstartoccur", "1", &Window::Combo12),
        IndexKey(DSTstartDOW, "DSTstartDOW", "6", &Window::Combo11),
        IndexKey(DSTstartMon, "DSTstartMon", "2", &Window::Combo10),
        IndexKey(DSTendoccur, "DSTendoccur", "0", &Window::Combo9),
        IndexKey(DSTendDOW, "DSTendDOW", "6", &Window::Combo5),
        IndexKey(DSTendMon, "DSTendMon", "10", &Window::Combo6),
        IndexKey(DSTstartDOM, "DSTstartDOM", "0", &Window::Combo7),
        IndexKey(DSTendDOM, "DSTendDOM", "0", &Window::Combo8),
        IndexKey(DSThour, "DSThour", "2", &Window::Combo13),
        IndexKey(LeapSec, "LeapSec", "0", &Window::Combo14),
        ListTextKey(GpsComPort, Corvantis, kGps, "COMPORT", "None", &Window::Combo1),
        CheckKey(SendSync, Corvantis, kSerialSync, "SendSync", Encoding::Number, LeadingNumber, "1",
                 &Window::Check2),
        ListTextKey(SerialSyncComPort, Corvantis, kSerialSync, "COMPORT", "None", &Window::Combo2),
        // Start-up reads it as "serialrate", the list's handler writes "SerialRate": one key, as
        // names match without regard to case and every write upper-cases the key.
        ListTextKey(Setting::SerialRate, Corvantis, kSerialSync, "serialrate", "once per second",
                    &Window::SerialRate),
        OptionKey(TimeUTC, "TimeUTC", "1", 0),
        OptionKey(TimeLocal, "TimeLocal", "0", 1),
        CheckKey(GPSdate, Corvantis, kGps, "GPSdate", Encoding::Number, NotRead, nullptr,
                 &Window::Check3),
        CheckKey(Setting::AutoStart, Corvantis, kGps, "AutoStart", BlankLedNumber, NotRead, nullptr,
                 &Window::AutoStart),
        CheckKey(SendUDP, Corvantis, kUdp, "SendUDP", BlankLedNumber, NotRead, nullptr,
                 &Window::Check1),
    }};
}();

constexpr bool InSettingOrder() {
    for (std::size_t i = 0; i < kKeys.size(); ++i) {
        if (static_cast<std::size_t>(kKeys[i].setting) != i) {
            return false;
        }
    }
    return true;
}
static_assert(InSettingOrder(), "kKeys rows must follow the Setting order");

// Whether all of `text` is one decimal number: optional sign, digits, optional point with
// digits, at least one digit.
bool IsDecimalNumber(std::string_view text) {
    std::size_t pos = 0;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        ++pos;
    }
    bool digits = false;
    bool point = false;
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c >= '0' && c <= '9') {
            digits = true;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return digits;
}

[[noreturn]] void TypeMismatch() {
    throw Failure(error::kTypeMismatch, "Type mismatch");
}

}  // namespace

const std::array<IniKey, kSettingCount>& IniKeys() {
    return kKeys;
}

const IniKey& KeyOf(Setting setting) {
    return kKeys[static_cast<std::size_t>(setting)];
}

std::string_view FileNameOf(IniFile file) {
    return file == IniFile::Corvantis ? kCorvantisIni : kDataIni;
}

std::string FilePathOf(const ProgramInfo& info, const IniKey& key) {
    return IniPath(info, FileNameOf(key.file));
}

std::int16_t NumberRule(std::string_view text) {
    return ToInteger16(text);
}

std::int16_t LeadingNumberRule(std::string_view text) {
    return RoundToInteger16(LeadingNumber(text));
}

bool BooleanRule(std::string_view text) {
    const std::string_view word = TrimBlanks(text);
    if (EqualsIgnoringAsciiCase(word, "true")) {
        return true;
    }
    if (EqualsIgnoringAsciiCase(word, "false")) {
        return false;
    }
    if (!IsDecimalNumber(word)) {
        TypeMismatch();
    }
    return LeadingNumber(word) != 0;
}

std::string NumberText(int value) {
    return std::to_string(value);
}

std::string BlankLedNumberText(int value) {
    return value >= 0 ? " " + std::to_string(value) : std::to_string(value);
}

std::string BooleanText(bool value) {
    return value ? "True" : "False";
}

std::string EncodedValue(const IniKey& key, Window& window) {
    int number = 0;
    switch (key.feeds) {
        case Feeds::ListText:
            return (window.*key.list).Text();
        case Feeds::ListIndex:
            number = (window.*key.list).ListIndex();
            break;
        case Feeds::CheckValue:
            number = (window.*key.check).Value();
            break;
        case Feeds::OptionValue:
            return BooleanText((window.*key.options)[key.option].Value());
    }
    return key.encoding == Encoding::BlankLedNumber ? BlankLedNumberText(number)
                                                    : NumberText(number);
}

std::string ReadStored(Services& services, Setting setting) {
    const IniKey& key = KeyOf(setting);
    return ReadIni(services, key.section, key.key, key.fallback != nullptr ? key.fallback : "",
                   FilePathOf(services.info, key));
}

void ApplyStored(Window& window, Setting setting, std::string_view text) {
    const IniKey& key = KeyOf(setting);
    const auto number = [&] {
        return key.read == ReadRule::LeadingNumber ? LeadingNumberRule(text) : NumberRule(text);
    };
    switch (key.feeds) {
        case Feeds::ListText:
            (window.*key.list).SetText(std::string(text));
            return;
        case Feeds::ListIndex:
            (window.*key.list).SetListIndex(number());
            return;
        case Feeds::CheckValue:
            (window.*key.check).SetValue(number());
            return;
        case Feeds::OptionValue:
            (window.*key.options)[key.option].SetValue(BooleanRule(text));
            return;
    }
}

void RestoreSetting(Window& window, Services& services, Setting setting) {
    ApplyStored(window, setting, ReadStored(services, setting));
}

void RestoreSettingNamed(Window& window, Services& services, Setting setting) {
    constexpr std::size_t kShownValueLength = 60;
    const std::string stored = ReadStored(services, setting);
    try {
        ApplyStored(window, setting, stored);
    } catch (const Failure& failure) {
        std::string shown = stored.substr(0, kShownValueLength);
        for (char& c : shown) {
            const auto byte = static_cast<unsigned char>(c);
            if (byte < 0x20 || byte == 0x7F) {
                c = '?';
            }
        }
        if (stored.size() > kShownValueLength) {
            shown += "...";
        }
        const IniKey& key = KeyOf(setting);
        throw Failure(failure.number(), failure.description() + ": " + key.key + "=\"" + shown +
                                            "\" in [" + key.section + "] of " +
                                            FilePathOf(services.info, key));
    }
}

void SaveSetting(Window& window, Services& services, Setting setting) {
    const IniKey& key = KeyOf(setting);
    WriteIni(services, key.section, key.key, EncodedValue(key, window),
             FilePathOf(services.info, key));
}

std::optional<std::int16_t> SendRateOf(std::string_view text) {
    constexpr std::array<std::string_view, 4> kRates{"once per second", "once per minute",
                                                     "once per hour", "once per day"};
    for (std::size_t i = 0; i < kRates.size(); ++i) {
        if (text == kRates[i]) {
            return static_cast<std::int16_t>(i);
        }
    }
    return std::nullopt;
}

void RestoreSerialRate(Window& window, Services& services) {
    RestoreSetting(window, services, Setting::SerialRate);
    if (window.SerialRate.Text().empty()) {
        window.SerialRate.SetText(kSerialRateWhenEmpty);
        SaveSetting(window, services, Setting::SerialRate);
    }
    if (const auto rate = SendRateOf(window.SerialRate.Text())) {
        window.sendRate = *rate;
    }
}

std::map<int, std::string> ReadPortOverrides(Services& services) {
    constexpr int kHighestPort = 16;
    const std::string file = IniPath(services.info, kCorvantisIni);
    std::map<int, std::string> overrides;
    for (int port = 1; port <= kHighestPort; ++port) {
        std::string device =
            ReadIni(services, kPortsSection, "COM" + std::to_string(port), "", file);
        if (!device.empty()) {
            overrides.emplace(port, std::move(device));
        }
    }
    return overrides;
}

}  // namespace corvantis
