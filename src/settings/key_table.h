// The settings keys, once: file, section, key, default, how the value is written and read
// back, and the control it belongs to. Start-up, the saving handlers and the tests all go
// through this table.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "form/window.h"
#include "settings/ini.h"

namespace corvantis {

// Every stored setting, in the order start-up reads them; the keys nobody reads come last.
enum class Setting {
    CurrAddress,
    NewAddress,
    TZhouroffset,
    EnableOCXO,
    DSTenabled,
    DSTstartoccur,
    DSTstartDOW,
    DSTstartMon,
    DSTendoccur,
    DSTendDOW,
    DSTendMon,
    DSTstartDOM,
    DSTendDOM,
    DSThour,
    LeapSec,
    GpsComPort,
    SendSync,
    SerialSyncComPort,
    SerialRate,
    TimeUTC,
    TimeLocal,
    GPSdate,
    AutoStart,
    SendUDP,
};
inline constexpr std::size_t kSettingCount = 24;
static_assert(static_cast<std::size_t>(Setting::SendUDP) + 1 == kSettingCount);

enum class IniFile { Corvantis, Data };

// How a value is written.
enum class Encoding {
    Number,          // decimal, "-" when negative ("-1" for a list without selection)
    BlankLedNumber,  // decimal led by one blank when zero or positive (" 1", " 0")
    BooleanText,     // "True" or "False"
    ListText,        // the text as shown
};

// How start-up turns the stored text into the control's state.
enum class ReadRule {
    Text,           // taken unchanged
    Number,         // NumberRule
    LeadingNumber,  // LeadingNumberRule
    Boolean,        // BooleanRule
    NotRead,        // written only
};

// Which state of the control the key holds.
enum class Feeds { ListText, ListIndex, CheckValue, OptionValue };

// When the control writes its key. AttachSettingsHandlers makes the first two from the table;
// the keys written under a condition, or together with other work, are written by their
// control's own handler.
enum class SavedOn {
    Click,      // each click (a list pick, a check box change), before the control's reaction
    LostFocus,  // when the list loses the focus, whatever was typed or picked in it
    Handler,    // by a handler of its own, or never (read only)
};

struct IniKey {
    Setting setting;
    IniFile file;
    const char* section;
    const char* key;
    Encoding encoding;
    ReadRule read;
    const char* fallback;  // default when absent; nullptr for keys never read
    Feeds feeds;
    SavedOn saves = SavedOn::Handler;
    ComboBox Window::*list = nullptr;        // ListText, ListIndex
    CheckBox Window::*check = nullptr;       // CheckValue
    OptionArray Window::*options = nullptr;  // OptionValue, with `option`
    int option = -1;
};

// The whole table, in Setting order.
const std::array<IniKey, kSettingCount>& IniKeys();
const IniKey& KeyOf(Setting setting);

// File name as appended to the settings folder: kCorvantisIni or kDataIni.
std::string_view FileNameOf(IniFile file);
// Full name of the key's file, built afresh from the settings folder.
std::string FilePathOf(const SettingsFiles& settings, const IniKey& key);

// --- Reader rules; each raises Failure when the text does not convert ------------------------

// The whole text as a number (blanks around it allowed), rounded half to even into 16 bits.
// Failure 13 "Type mismatch" for empty or non-numeric text, Failure 6 "Overflow" outside
// -32768..32767.
std::int16_t NumberRule(std::string_view text);
// The number the text begins with (0 when none), rounded half to even into 16 bits; Failure 6
// outside the range.
std::int16_t LeadingNumberRule(std::string_view text);
// "True" and "False" in any letter case, or a number (0 false, any other true); blanks around
// allowed. Failure 13 "Type mismatch" for anything else, empty text included.
bool BooleanRule(std::string_view text);

// --- Writer encodings ------------------------------------------------------------------------

std::string NumberText(int value);
std::string BlankLedNumberText(int value);
std::string BooleanText(bool value);

// The control's current state as the key stores it.
std::string EncodedValue(const IniKey& key, Window& window);

// --- Reading and writing one setting -------------------------------------------------------------

// ReadIni of the key with its section, default and file.
std::string ReadStored(SettingsFiles& settings, Setting setting);
// Converts `text` by the key's reader rule and gives it to its control: a list's text, a
// list's selected index, a check box's value or an option's value. Raises the rule's
// Failure, or the control's refusal (380), leaving the control as it was; setting the state
// runs the control's reaction as the control model does.
void ApplyStored(Window& window, Setting setting, std::string_view text);
// ApplyStored(ReadStored(...)).
void RestoreSetting(Window& window, SettingsFiles& settings, Setting setting);
// RestoreSetting for start-up's reports: a Failure keeps its number and its words, followed
// by ": ", the key, the stored value and the file, as in
// `Type mismatch: EnableOCXO="abc" in [CommMethod] of /home/ann/.config/corvantis/data.ini`.
// The value is shown cut to 60 characters, control characters as "?".
void RestoreSettingNamed(Window& window, SettingsFiles& settings, Setting setting);
// Writes the control's current state under the key (WriteIni).
void SaveSetting(Window& window, SettingsFiles& settings, Setting setting);
// Writes `value`, already in the key's encoding, under the key (WriteIni).
void StoreSetting(SettingsFiles& settings, Setting setting, const std::string& value);

// --- The transmit rate ---------------------------------------------------------------------------

inline constexpr const char* kSerialRateWhenEmpty = "once per minute";

// 0 to 3 for "once per second", "once per minute", "once per hour", "once per day" (exact
// comparison); nothing for any other text.
std::optional<std::int16_t> SendRateOf(std::string_view text);

// Start-up's restoring of the rate: SerialRate's text becomes the stored "serialrate"; when
// that is empty, "once per minute" is shown and written back under "serialrate"; then
// sendRate is set from the text, or left as it was for text that names no rate.
void RestoreSerialRate(Window& window, SettingsFiles& settings);

// --- Port overrides --------------------------------------------------------------------------

// Section of "\Corvantis.ini" naming the device behind a COM port number: COM1=... to
// COM16=.... Read only; the program never writes it.
inline constexpr const char* kPortsSection = "Ports";

// The non-empty COMn entries (n kFirstComPort to kLastComPort) of section "Ports", by port
// number.
std::map<int, std::string> ReadPortOverrides(SettingsFiles& settings);

// --- Log options --------------------------------------------------------------------------------

// Section of "\Corvantis.ini" with the headless log's options; read only, like "Ports".
inline constexpr const char* kLogSection = "Log";

// Whether "[Log] Messages=1" asks the headless log for a line per clock message, as
// --log-messages does; any other value, or none, asks for the first of each run only.
bool ReadLogEveryMessage(SettingsFiles& settings);

}  // namespace corvantis
