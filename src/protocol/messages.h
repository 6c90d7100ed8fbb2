// The clock messages on the serial line and the display-rule fields they carry.
//
// Every builder returns printable text of a fixed width, written one byte per character with
// no line ending. Numbers are decimal, right-aligned with blanks (never zeros); a number too
// long for its field keeps its rightmost characters. The 35-character messages begin with "*",
// end with "#" and carry their kind digit at character 25: "1" time-only, "2" rules message,
// "3" addressed command.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/date_time.h"

namespace corvantis {

// Field widths of the display rules, in characters.
inline constexpr std::size_t kTzHoursWidth = 3;
inline constexpr std::size_t kTzHalfWidth = 2;
inline constexpr std::size_t kDstStartWidth = 4;
inline constexpr std::size_t kDstEndWidth = 4;
inline constexpr std::size_t kDstHourWidth = 2;
inline constexpr std::size_t kLeapYearWidth = 2;

inline constexpr std::size_t kTimeBlockLength = 15;
inline constexpr std::size_t kMessageLength = 35;

// The six display-rule field texts, each of its width once encoded. The builders right-align
// every field to its width again, so a field left empty (an encoder that failed) becomes blanks
// and the message keeps its length.
struct DisplayRuleFields {
    std::string tzHours;   // 3: whole hours of the clocks' offset from UTC, signed
    std::string tzHalf;    // 2: "0" whole hours, "1" plus half an hour, "2" clamped at 12
    std::string dstStart;  // 4: month code and day, or month, occurrence and weekday
    std::string dstEnd;    // 4: the same for the end of daylight saving
    std::string dstHour;   // 2: hour of the change, 0-23
    std::string leapYear;  // 2: year of the next leap second as the operator chose it
};

// `text` with blanks trimmed from both ends, blanks put in front and only its last `width`
// characters kept: exactly `width` characters.
std::string RightAligned(std::string_view text, std::size_t width);
// The decimal text of `value`, right-aligned in `width` characters.
std::string RightAligned(long long value, std::size_t width);

// "*", then second, minute, hour, day, month in two characters each and the year in four,
// smallest unit first: exactly 15 characters.
std::string TimeBlock(const DateTime& time);

// The time block of `utc` and the constant tail of kind 1: exactly 35 characters.
std::string TimeOnlyMessage(const DateTime& utc);

// The time block of `utc`, a blank, the display rules and kind 2: exactly 35 characters.
std::string RulesMessage(const DateTime& utc, const DisplayRuleFields& fields);

// An addressed command (kind 3), carrying no time: the current and the new clock address
// (texts taken as they stand, trimmed and cut to their last two characters), the set-address
// flag (0 or 1) and the display rules. Exactly 35 characters.
std::string AddressedCommand(std::string_view currentAddress, std::string_view newAddress,
                             int setAddressFlag, const DisplayRuleFields& fields);

// The time block of the PC's local time and nothing else: exactly 15 characters.
std::string LocalTimeMessage(const DateTime& local);

// --- Field encoders ------------------------------------------------------------------------

struct OffsetFields {
    std::string tzHours;  // 3 characters
    std::string tzHalf;   // 2 characters
};

// Encodes the text of zoneOffset, read by its leading number (a point is the decimal mark; no
// number counts as 0). A whole number goes into tzHours as its decimal text, with tzHalf "0".
// A fraction counts as half an hour: tzHours holds the whole hours cut toward zero (-0.5 gives
// "-0", so clocks can tell it from +0.5) and tzHalf is "1". Thirteen hours or more are sent as
// 12 with tzHalf "2".
OffsetFields EncodeOffset(std::string_view hourOffsetText);

// Selected indexes of the daylight-saving lists, -1 for none.
struct DaylightSavingSelection {
    int autoDaylightSaving = 0;  // autoDaylightSaving's value; 1 enables daylight saving
    int startDay = -1;           // startDayOfMonth: day of the month, 0 = no fixed day
    int startMonth = -1;         // startMonth: 0 January ... 11 December
    int startOccurrence = -1;    // startOccurrence: 0 First ... 4 Last
    int startWeekday = -1;       // startWeekday: 0 Monday ... 6 Sunday
    int endDay = -1;             // endDayOfMonth
    int endMonth = -1;           // endMonth
    int endOccurrence = -1;      // endOccurrence
    int endWeekday = -1;         // endWeekday
    int changeHour = -1;         // changeHour: 0-23
};

struct DaylightSavingFields {
    std::string dstStart;  // 4 characters
    std::string dstEnd;    // 4 characters
    std::string dstHour;   // 2 characters
};

// With autoDaylightSaving == 1: each rule is a fixed date when its day index is above 0 (month code
// index + 21, so 21-32, then the day in two characters), otherwise a weekday rule (month
// index + 1, then the occurrence index + 1 and the weekday index + 1 as one character each);
// dstHour is the hour index. With no selection (-1) the parts give 20 as the fixed-date month
// code, 0 for month, occurrence and weekday, and -1 as dstHour. With any other autoDaylightSaving
// value daylight saving is off: "   0", "   0" and " 0".
DaylightSavingFields EncodeDaylightSaving(const DaylightSavingSelection& selection);

// leapYear's index (0-99, -1 for none) right-aligned in 2 characters.
std::string EncodeLeapYear(int combo14Index);

}  // namespace corvantis
