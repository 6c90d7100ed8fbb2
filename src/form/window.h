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
    Addressed = 0,  // a command to currentAddress, giving it newAddress when setAddressFlag is 1
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
    Frame ruleFrame{"Frame1", "Display Rule Configuration"};
    CheckBox autoDaylightSaving{"Check7", "Enable Automatic Daylight Saving Time"};
    Label zoneOffsetLabel{"Label15", "Time Zone Offset from UTC/GMT"};
    ComboBox zoneOffset{"HourOffset", "Time Zone"};
    Label dstStartLabel{"Label29", "Start Daylight Saving Time"};
    Label dstEndLabel{"Label30", "End Daylight Saving Time"};
    Label startOccurrenceLabel{"Label18", "Occurance"};
    Label endOccurrenceLabel{"Label21", "Occurance"};
    Label startWeekdayLabel{"Label19", "Day of Week"};
    Label endWeekdayLabel{"Label22", "Day of Week"};
    Label startOfLabel{"Label26", "of"};
    Label endOfLabel{"Label20", "of"};
    Label startOrLabel{"Label27", "or"};
    Label endOrLabel{"Label28", "or"};
    Label startDayOfMonthLabel{"Label31", "Day of the Month"};
    Label endDayOfMonthLabel{"Label23", "Day of the Month"};
    ComboBox startOccurrence{"Combo12", "OccurS"};  // start occurrence
    ComboBox startWeekday{"Combo11", "dayS"};       // start day of week
    ComboBox startMonth{"Combo10", "MonS"};         // start month
    ComboBox startDayOfMonth{"Combo7", "Combo7"};   // start day of month
    ComboBox endOccurrence{"Combo9", "OccurE"};     // end occurrence
    ComboBox endWeekday{"Combo5", "dayE"};          // end day of week
    ComboBox endMonth{"Combo6", "MonE"};            // end month
    ComboBox endDayOfMonth{"Combo8", "Combo8"};     // end day of month
    Label changeHourLabel{"Label16", "Hour of the day to change DST"};
    ComboBox changeHour{"Combo13", "Combo13"};  // change hour
    Label leapYearLabel{"Label17", "Leap Second Year (last 2 digits)"};
    Label leapJuneNote{"Label12", "A leap second is added at the end of June"};
    Label leapDecemberNote{"Label32", "Add 50 to the year for a December leap second"};
    ComboBox leapYear{"Combo14", "Combo14"};  // leap-second year
    // Fills the rule controls from this PC's time zone (program/rule_check_report.h).
    Button useThisZone{"UseZone", "Use this PC's time zone"};

    // --- Shown outside the frame ----------------------------------------------------------
    Label heading{"Label6", "Configure Vesper Clocks"};
    Label subheading{"Label5", "Corvantis keeps every Vesper clock on the PC's time"};
    Label versionLabel{"Label2", ""};
    Label pcTimeLabel{"Label8", "PC Local Date and Time"};
    TextBox pcTime{"txtPCtime", "Text1"};
    TextBox pcLocalTime{"txtLocalTime", "Text1"};
    Label sentMessageLabel{"Label3", "PC data sent to the clock"};
    TextBox sentMessage{"Text1", "", true};
    CheckBox broadcastTime{"Check8", "Broadcast Time"};
    Label clockPortLabel{"Label10", "Serial Sync Com Port"};
    ComboBox clockPort{"Combo2", "None"};
    Label currentAddressLabel{"Label34", "Current Clock Address ( 0=All clocks)"};
    ComboBox currentAddress{"CurrAddress", "0"};
    Label newAddressLabel{"Label35", "New Clock Address  ( 0=All clocks)"};
    ComboBox newAddress{"NewAddress", "0"};
    Button sendAddress{"SendAddr", "Send Above Address to Clock"};
    Button sendRules{"Command2", "Send Display  Rules"};
    Button closeAndExit{"Command1", "Close and Exit"};
    Label pleaseWait{"Label33", "            Please Wait!              "};

    // --- Hidden in the design -------------------------------------------------------------
    Label clockReplyLabel{"Label25", "Clock processor data sent to the PC and Trovex"};
    TextBox clockReply{"Text3", "", true};
    TextBox pcSeconds{"Text4", "", true};
    Label ruleConfirmationLabel{"Label24",
                                "Display Rule Configuration - Confirmation Received from Movement"};
    TextBox ruleConfirmation{"Text2", "Text2"};
    Label gpsTimeLabel{"Label7", "GPS Date and Time Received"};
    TextBox gpsTime{"txtGPStime", "Text1"};
    Label gpsPortLabel{"Label1", "GPS Com Port"};
    ComboBox gpsPort{"Combo1", "None"};
    Label serialRateLabel{"Label11", "Serial Xmit Rate"};
    ComboBox serialRate{"SerialRate", ""};
    CheckBox udpBroadcast{"Check1", "UDP Network Time Sync Broadcast."};
    Label udpAddressLabel{"Label4", "UDP Xmit Port Address"};
    ComboBox udpAddress{"UDPaddress", ""};
    Label udpRateLabel{"Label9", "UDP Xmit Rate"};
    ComboBox udpRate{"UDPrate", ""};
    CheckBox sendingOn{"Check2", "Broadcast Time"};
    CheckBox useGpsDate{"Check3", "Use GPS Date"};
    CheckBox batterySave{"Check4", "Use analog clock battery save mode"};
    CheckBox toMessageClocks{"Check5", "Send Time to Message Clocks"};
    CheckBox rulesWithTime{"Check6", "Send Display Rules to Halvern Clock with the Time Update"};
    CheckBox autoStart{"AutoStart", "Auto-run at Windows Startup"};
    OptionArray utcOrLocal{"Option1", {"UTC", "LOCAL"}};
    Label motorOnLabel{"Label13", "Hour to turn ON second motor.  0= no action"};
    ComboBox motorOnHour{"Combo3", "Combo3"};
    Label motorOffLabel{"Label14", "Hour to turn OFF second motor.  0= no action"};
    ComboBox motorOffHour{"Combo4", "Combo4"};
    Button pauseTime{"Command3", "Pause Time"};
    Button resumeTime{"Command5", "Resume Time "};
    Button sendUtcTimeOnly{"Command6", "Send UTC Time Only"};
    Button hideProgram{"Command4", "Hide Program"};

    // --- Timers ---------------------------------------------------------------------------
    Timer sendTick{"SendUDP", std::chrono::milliseconds(100), /*alignToWallClock=*/true};
    Timer displayTick{"Timer1", std::chrono::milliseconds(100)};
    Timer secondTick{"Timer2", std::chrono::milliseconds(1000)};
    Timer commandWindow{"Timer3", std::chrono::milliseconds(6000)};
    // The program's own: the wait between a clock's first reply character and the read of
    // the reply, a deadline on the event loop. Stopped until a poll finds characters waiting.
    Timer replyWait{"ReplyWait", std::chrono::milliseconds(50)};

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
