#include "settings/key_table.h"

#include "platform/ascii_text.h"
#include "platform/failure.h"
#include "platform/port_map.h"
#include "platform/text_number.h"

namespace corvantis {

namespace {

constexpr const char* kGps = "GPS";
constexpr const char* kSerialSync = "SerialSync";
constexpr const char* kUdp = "UDP";
constexpr const char* kCommMethod = "CommMethod";

constexpr IniKey ListTextKey(Setting setting, IniFile file, const char* section, const char* key,
                             const char* fallback, ComboBox Window::*list, SavedOn saves) {
    return IniKey{.setting = setting,
                  .file = file,
                  .section = section,
                  .key = key,
                  .encoding = Encoding::ListText,
                  .read = ReadRule::Text,
                  .fallback = fallback,
                  .feeds = Feeds::ListText,
                  .saves = saves,
                  .list = list};
}

constexpr IniKey IndexKey(Setting setting, const char* key, const char* fallback,
                          ComboBox Window::*list, SavedOn saves) {
    return IniKey{.setting = setting,
                  .file = IniFile::Data,
                  .section = kCommMethod,
                  .key = key,
                  .encoding = Encoding::Number,
                  .read = ReadRule::Number,
                  .fallback = fallback,
                  .feeds = Feeds::ListIndex,
                  .saves = saves,
                  .list = list};
}

constexpr IniKey CheckKey(Setting setting, IniFile file, const char* section, const char* key,
                          Encoding encoding, ReadRule read, const char* fallback,
                          CheckBox Window::*check, SavedOn saves) {
    return IniKey{.setting = setting,
                  .file = file,
                  .section = section,
                  .key = key,
                  .encoding = encoding,
                  .read = read,
                  .fallback = fallback,
                  .feeds = Feeds::CheckValue,
                  .saves = saves,
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
                  .options = &Window::utcOrLocal,
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
    using enum SavedOn;
    return std::array<IniKey, kSettingCount>{{
        ListTextKey(CurrAddress, Corvantis, kGps, "CurrAddress", "0", &Window::currentAddress,
                    Click),
        ListTextKey(NewAddress, Corvantis, kGps, "NewAddress", "0", &Window::newAddress, Click),
        IndexKey(TZhouroffset, "TZhouroffset", "12", &Window::zoneOffset, LostFocus),
        CheckKey(EnableOCXO, Data, kCommMethod, "EnableOCXO", Encoding::Number, ReadRule::Number,
                 "1", &Window::rulesWithTime, Click),
        CheckKey(DSTenabled, Data, kCommMethod, "DSTenabled", Encoding::Number, ReadRule::Number,
                 "1", &Window::autoDaylightSaving, Click),
        IndexKey(DSTstartoccur, "DSTstartoccur", "1", &Window::startOccurrence, LostFocus),
        IndexKey(DSTstartDOW, "DSTstartDOW", "6", &Window::startWeekday, LostFocus),
        IndexKey(DSTstartMon, "DSTstartMon", "2", &Window::startMonth, LostFocus),
        IndexKey(DSTendoccur, "DSTendoccur", "0", &Window::endOccurrence, LostFocus),
        IndexKey(DSTendDOW, "DSTendDOW", "6", &Window::endWeekday, LostFocus),
        IndexKey(DSTendMon, "DSTendMon", "10", &Window::endMonth, LostFocus),
        IndexKey(DSTstartDOM, "DSTstartDOM", "0", &Window::startDayOfMonth, Click),
        IndexKey(DSTendDOM, "DSTendDOM", "0", &Window::endDayOfMonth, Click),
        IndexKey(DSThour, "DSThour", "2", &Window::changeHour, LostFocus),
        IndexKey(LeapSec, "LeapSec", "0", &Window::leapYear, LostFocus),
        // Written on a pick only when it does not clash with the Serial Sync port, and at exit.
        ListTextKey(GpsComPort, Corvantis, kGps, "COMPORT", "None", &Window::gpsPort, Handler),
        // Read only.
        CheckKey(SendSync, Corvantis, kSerialSync, "SendSync", Encoding::Number, LeadingNumber, "1",
                 &Window::sendingOn, Handler),
        // Written after the port choice has been tried.
        ListTextKey(SerialSyncComPort, Corvantis, kSerialSync, "COMPORT", "None",
                    &Window::clockPort, Handler),
        // Start-up reads it as "serialrate", the list's click writes "SerialRate": one key, as
        // names match without regard to case and every write upper-cases the key.
        ListTextKey(Setting::SerialRate, Corvantis, kSerialSync, "serialrate", "once per second",
                    &Window::serialRate, Click),
        // Both written by Option1's click, which serves two keys.
        OptionKey(TimeUTC, "TimeUTC", "1", 0),
        OptionKey(TimeLocal, "TimeLocal", "0", 1),
        CheckKey(GPSdate, Corvantis, kGps, "GPSdate", Encoding::Number, NotRead, nullptr,
                 &Window::useGpsDate, Click),
        // Written after the registry entry has been changed.
        CheckKey(Setting::AutoStart, Corvantis, kGps, "AutoStart", BlankLedNumber, NotRead, nullptr,
                 &Window::autoStart, Handler),
        // Written only when the box is checked.
        CheckKey(SendUDP, Corvantis, kUdp, "SendUDP", BlankLedNumber, NotRead, nullptr,
                 &Window::udpBroadcast, Handler),
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

std::string FilePathOf(const SettingsFiles& settings, const IniKey& key) {
    return settings.PathOf(FileNameOf(key.file));
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

std::string ReadStored(SettingsFiles& settings, Setting setting) {
    const IniKey& key = KeyOf(setting);
    return ReadIni(settings, key.section, key.key, key.fallback != nullptr ? key.fallback : "",
                   FilePathOf(settings, key));
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

void RestoreSetting(Window& window, SettingsFiles& settings, Setting setting) {
    ApplyStored(window, setting, ReadStored(settings, setting));
}

void RestoreSettingNamed(Window& window, SettingsFiles& settings, Setting setting) {
    constexpr std::size_t kShownValueLength = 60;
    const std::string stored = ReadStored(settings, setting);
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
                                            FilePathOf(settings, key));
    }
}

void SaveSetting(Window& window, SettingsFiles& settings, Setting setting) {
    StoreSetting(settings, setting, EncodedValue(KeyOf(setting), window));
}

void StoreSetting(SettingsFiles& settings, Setting setting, const std::string& value) {
    const IniKey& key = KeyOf(setting);
    WriteIni(settings, key.section, key.key, value, FilePathOf(settings, key));
}

std::optional<std::int16_t> SendRateOf(std::string_view text) {
    for (std::size_t i = 0; i < kSendRates.size(); ++i) {
        if (text == kSendRates[i]) {
            return static_cast<std::int16_t>(i);
        }
    }
    return std::nullopt;
}

void RestoreSerialRate(Window& window, SettingsFiles& settings) {
    RestoreSetting(window, settings, Setting::SerialRate);
    if (window.serialRate.Text().empty()) {
        window.serialRate.SetText(kSerialRateWhenEmpty);
        SaveSetting(window, settings, Setting::SerialRate);
    }
    if (const auto rate = SendRateOf(window.serialRate.Text())) {
        window.sendRate = *rate;
    }
}

std::map<int, std::string> ReadPortOverrides(SettingsFiles& settings) {
    const std::string file = settings.PathOf(kCorvantisIni);
    std::map<int, std::string> overrides;
    for (int port = kFirstComPort; port <= kLastComPort; ++port) {
        std::string device = ReadIni(settings, kPortsSection, ComName(port), "", file);
        if (!device.empty()) {
            overrides.emplace(port, std::move(device));
        }
    }
    return overrides;
}

bool ReadLogEveryMessage(SettingsFiles& settings) {
    return ReadIni(settings, kLogSection, "Messages", "0", settings.PathOf(kCorvantisIni)) == "1";
}

}  // namespace corvantis
