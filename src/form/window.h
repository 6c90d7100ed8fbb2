// The one window: every control in its design state, and the window variables that the
// handlers share. It holds state only; behaviour is attached by the subsystems.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "form/controls.h"

namespace corvantis {

inline constexpr const char* kWindowCaption = "Configure Vesper Clocks";

// The transmit rates, as the rate lists show them; sendRate is the index of one.
inline constexpr std::array<const char*, 4> kSendRates{"once per second", "once per minute",
                                                       "once per hour", "once per day"};

// The message the transmission tick builds when UTC is selected.
enum class SendMode : std::int16_t {
    Addressed = 0,  // a command to CurrAddress, giving it NewAddress when setAddressFlag is 1
    Rules = 1,      // the time with the display rules, for every clock
    TimeOnly = 3,   // the time alone
};

class Window {
public:
    Window();

    // Every control, for views and inventory checks, in layout order.
    std::vector<Control*> Controls();
    Control* Find(const std::string& name);

    // --- Display Rule Configuration frame -------------------------------------------------
    Frame Frame1{"Frame1", "Display Rule Configuration"};
    CheckBox Check7{"Check7", "Enable Automatic Daylight Saving Time"};
    Label Label15{"Label15", "Time Zone Offset from UTC/GMT"};
    ComboBox HourOffset{"HourOffset", "Time Zone"};
    Label Label29{"Label29", "Start Daylight Saving Time"};
    Label Label30{"Label30", "End Daylight Saving Time"};
    Label Label18{"Label18", "Occurance"};
    Label Label21{"Label21", "Occurance"};
    Label Label19{"Label19", "Day of Week"};
    Label Label22{"Label22", "Day of Week"};
    Label Label26{"Label26", "of"};
    Label Label20{"Label20", "of"};
    Label Label27{"Label27", "or"};
    Label Label28{"Label28", "or"};
    Label Label31{"Label31", "Day of the Month"};
    Label Label23{"Label23", "Day of the Month"};
    ComboBox Combo12{"Combo12", "OccurS"};  // start occurrence
    ComboBox Combo11{"Combo11", "dayS"};    // start day of week
    ComboBox Combo10{"Combo10", "MonS"};    // start month
    ComboBox Combo7{"Combo7", "Combo7"};    // start day of month
    ComboBox Combo9{"Combo9", "OccurE"};    // end occurrence
    ComboBox Combo5{"Combo5", "dayE"};      // end day of week
    ComboBox Combo6{"Combo6", "MonE"};      // end month
    ComboBox Combo8{"Combo8", "Combo8"};    // end day of month
    Label Label16{"Label16", "Hour of the day to change DST"};
    ComboBox Combo13{"Combo13", "Combo13"};  // change hour
    Label Label17{"Label17", "Leap Second Year (last 2 digits)"};
    Label Label12{"Label12", "A leap second is added at the end of June"};
    Label Label32{"Label32", "Add 50 to the year for a December leap second"};
    ComboBox Combo14{"Combo14", "Combo14"};  // leap-second year
    // Fills the rule controls from this PC's time zone (program/rule_check_report.h).
    Button UseZone{"UseZone", "Use this PC's time zone"};

    // --- Shown outside the frame ----------------------------------------------------------
    Label Label6{"Label6", "Configure Vesper Clocks"};
    Label Label5{"Label5", "Corvantis keeps every Vesper clock on the PC's time"};
    Label Label2{"Label2", ""};
    Label Label8{"Label8", "PC Local Date and Time"};
    TextBox txtPCtime{"txtPCtime", "Text1"};
    TextBox txtLocalTime{"txtLocalTime", "Text1"};
    Label Label3{"Label3", "PC data sent to the clock"};
    TextBox Text1{"Text1", "", true};
    CheckBox Check8{"Check8", "Broadcast Time"};
    Label Label10{"Label10", "Serial Sync Com Port"};
    ComboBox Combo2{"Combo2", "None"};
    Label Label34{"Label34", "Current Clock Address ( 0=All clocks)"};
    ComboBox CurrAddress{"CurrAddress", "0"};
    Label Label35{"Label35", "New Clock Address  ( 0=All clocks)"};
    ComboBox NewAddress{"NewAddress", "0"};
    Button SendAddr{"SendAddr", "Send Above Address to Clock"};
    Button Command2{"Command2", "Send Display  Rules"};
    Button Command1{"Command1", "Close and Exit"};
    Label Label33{"Label33", "            Please Wait!              "};

    // --- Hidden in the design -------------------------------------------------------------
    Label Label25{"Label25", "Clock processor data sent to the PC and Trovex"};
    TextBox Text3{"Text3", "", true};
    TextBox Text4{"Text4", "", true};
    Label Label24{"Label24", "Display Rule Configuration - Confirmation Received from Movement"};
    TextBox Text2{"Text2", "Text2"};
    Label Label7{"Label7", "GPS Date and Time Received"};
    TextBox txtGPStime{"txtGPStime", "Text1"};
    Label Label1{"Label1", "GPS Com Port"};
    ComboBox Combo1{"Combo1", "None"};
    Label Label11{"Label11", "Serial Xmit Rate"};
    ComboBox SerialRate{"SerialRate", ""};
    CheckBox Check1{"Check1", "UDP Network Time Sync Broadcast."};
    Label Label4{"Label4", "UDP Xmit Port Address"};
    ComboBox UDPaddress{"UDPaddress", ""};
    Label Label9{"Label9", "UDP Xmit Rate"};
    ComboBox UDPrate{"UDPrate", ""};
    CheckBox Check2{"Check2", "Broadcast Time"};
    CheckBox Check3{"Check3", "Use GPS Date"};
    CheckBox Check4{"Check4", "Use analog clock battery save mode"};
    CheckBox Check5{"Check5", "Send Time to Message Clocks"};
    CheckBox Check6{"Check6", "Send Display Rules to Halvern Clock with the Time Update"};
    CheckBox AutoStart{"AutoStart", "Auto-run at Windows Startup"};
    OptionArray Option1{"Option1", {"UTC", "LOCAL"}};
    Label Label13{"Label13", "Hour to turn ON second motor.  0= no action"};
    ComboBox Combo3{"Combo3", "Combo3"};
    Label Label14{"Label14", "Hour to turn OFF second motor.  0= no action"};
    ComboBox Combo4{"Combo4", "Combo4"};
    Button Command3{"Command3", "Pause Time"};
    Button Command5{"Command5", "Resume Time "};
    Button Command6{"Command6", "Send UTC Time Only"};
    Button Command4{"Command4", "Hide Program"};

    // --- Timers ---------------------------------------------------------------------------
    Timer SendUDP{"SendUDP", std::chrono::milliseconds(100), /*alignToWallClock=*/true};
    Timer Timer1{"Timer1", std::chrono::milliseconds(100)};
    Timer Timer2{"Timer2", std::chrono::milliseconds(1000)};
    Timer Timer3{"Timer3", std::chrono::milliseconds(6000)};
    // The program's own: the wait between a clock's first reply character and the read of
    // the reply, a deadline on the event loop. Stopped until a poll finds characters waiting.
    Timer ReplyWait{"ReplyWait", std::chrono::milliseconds(50)};

    // --- Window variables -----------------------------------------------------------------
    // Message the tick builds.
    SendMode sendMode = SendMode::Addressed;
    // Transmit rate 0-3 (second, minute, hour, day); unset counts as 0.
    std::optional<std::int16_t> sendRate;
    // True while "UTC" is selected.
    bool useUtc = false;
    // The tick's own memory: last message built, rate slice of the last due transmission,
    // last even second handled.
    std::string clockMessage;
    std::string lastRateMark;
    std::uint8_t lastEvenSecond = 0;
    // Messages dropped in a row because the port's output buffer was full; 0 while they go.
    std::uint32_t droppedMessages = 0;
    // 1 during the command window of "Send Above Address to Clock", else 0.
    std::uint8_t setAddressFlag = 0;
};

}  // namespace corvantis
