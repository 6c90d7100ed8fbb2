// The one window: every control in its design state, and the window variables that the
// handlers share. It holds state only; behaviour is attached by the subsystems.
//
// Each control has a role name in the code and keeps its original name as Name(): control IDs,
// Qt object names, INI keys and messages quote the original. Files: C = "Corvantis.ini",
// D = "data.ini" (both in the settings folder).
//
// role name             original     caption or use                      stored as
// --- the "Display Rule Configuration" frame ---------------------------------------------------
// ruleFrame             Frame1       the frame
// autoDaylightSaving    Check7       automatic daylight saving on/off    D [CommMethod] DSTenabled
// zoneOffset            HourOffset   hours from UTC, -12 to 13 in halves D [CommMethod]
// TZhouroffset startOccurrence       Combo12      daylight saving starts: First-Last  D
// [CommMethod] DSTstartoccur startWeekday          Combo11        ... on weekday Mon-Sun D
// [CommMethod] DSTstartDOW startMonth            Combo10        ... of month Jan-Dec              D
// [CommMethod] DSTstartMon startDayOfMonth       Combo7         ... or on fixed day 1-31 (0 none) D
// [CommMethod] DSTstartDOM endOccurrence         Combo9       daylight saving ends: First-Last    D
// [CommMethod] DSTendoccur endWeekday            Combo5         ... on weekday                    D
// [CommMethod] DSTendDOW endMonth              Combo6         ... of month                      D
// [CommMethod] DSTendMon endDayOfMonth         Combo8         ... or on fixed day               D
// [CommMethod] DSTendDOM changeHour            Combo13      hour of the change, 0-23            D
// [CommMethod] DSThour leapYear              Combo14      leap-second year, 0-99              D
// [CommMethod] LeapSec useThisZone           UseZone      fills the rules from this PC's zone
// --- the rest of the window -------------------------------------------------------------------
// pcTime                txtPCtime    the PC's local date and time, live
// sentMessage           Text1        the message last built for the clocks
// broadcastTime         Check8       "Broadcast Time": send the time     (not stored)
// clockPort             Combo2       the Serial Sync port to the clocks  C [SerialSync] COMPORT
// currentAddress        CurrAddress  the clock a command is for (0 all)  C [GPS] CurrAddress
// newAddress            NewAddress   the address it is given             C [GPS] NewAddress
// sendAddress           SendAddr     opens the command window with newAddress
// sendRules             Command2     opens the command window with the rules
// closeAndExit          Command1     "Close and Exit"
// pleaseWait            Label33      shown during the command window
// versionLabel          Label2       the program's version
// --- hidden in the design ---------------------------------------------------------------------
// sendingOn             Check2       sending at all                      C [SerialSync] SendSync
// rulesWithTime         Check6       the rules go with each time; off,   D [CommMethod] EnableOCXO
//                                    nothing is sent
// toMessageClocks       Check5       "Send Time to Message Clocks": holds (not stored)
//                                    every message back
// utcOrLocal            Option1      "UTC" (0) or "LOCAL" (1)            C [SerialSync] TimeUTC,
//                                                                        TimeLocal
// serialRate            SerialRate   once per second/minute/hour/day     C [SerialSync] serialrate
// clockReply            Text3        what the clock sent back
// pcSeconds             Text4        the seconds of the last message
// ruleConfirmation      Text2        the clock's confirmation of the rules
// gpsPort               Combo1       the GPS port                        C [GPS] COMPORT
// useGpsDate            Check3       "Use GPS Date"                      C [GPS] GPSdate
// autoStart             AutoStart    start at logon                      C [GPS] AutoStart
// udpBroadcast          Check1       the UDP broadcast (no effect)       C [UDP] SendUDP
// batterySave           Check4       battery save mode (no effect)
// motorOnHour           Combo3       second motor on hour (no effect)
// motorOffHour          Combo4       second motor off hour (no effect)
// pauseTime             Command3     the tick sends addressed commands
// resumeTime            Command5     the tick sends the time alone again
// sendUtcTimeOnly       Command6     as resumeTime, and clears the reply
// hideProgram           Command4     hides the window
// pcLocalTime, gpsTime, udpAddress, udpRate: text and lists kept from the design, unused.
// Labels are named after the control they caption (zoneOffsetLabel, clockPortLabel, ...).
// --- timers -----------------------------------------------------------------------------------
// sendTick              SendUDP      builds the message; sends it on each even second when due
// displayTick           Timer1       shows the PC time; polls the port for a reply
// secondTick            Timer2       once a second: retries refused settings writes
// commandWindow         Timer3       ends the 6-second command window
// replyWait             ReplyWait    the wait for the rest of a reply
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
    ComboBox startOccurrence{"Combo12", "OccurS"};
    ComboBox startWeekday{"Combo11", "dayS"};
    ComboBox startMonth{"Combo10", "MonS"};
    ComboBox startDayOfMonth{"Combo7", "Combo7"};
    ComboBox endOccurrence{"Combo9", "OccurE"};
    ComboBox endWeekday{"Combo5", "dayE"};
    ComboBox endMonth{"Combo6", "MonE"};
    ComboBox endDayOfMonth{"Combo8", "Combo8"};
    Label changeHourLabel{"Label16", "Hour of the day to change DST"};
    ComboBox changeHour{"Combo13", "Combo13"};
    Label leapYearLabel{"Label17", "Leap Second Year (last 2 digits)"};
    Label leapJuneNote{"Label12", "A leap second is added at the end of June"};
    Label leapDecemberNote{"Label32", "Add 50 to the year for a December leap second"};
    ComboBox leapYear{"Combo14", "Combo14"};
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
