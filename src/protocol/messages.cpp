#include "protocol/messages.h"

#include <cmath>
#include <cstdio>

#include "platform/text_number.h"

namespace corvantis {

namespace {

constexpr std::string_view kTimeOnlyTail = "         1         #";
constexpr std::string_view kAddressGap = "          ";
constexpr int kFixedDateMonthBase = 21;
constexpr double kMaxOffsetHours = 13;
constexpr std::string_view kClampedHours = "12";
constexpr std::string_view kClampedHalf = "2";

// The last character of the decimal text of `value`: a one-character field.
char LastDigit(long long value) {
    return std::to_string(value).back();
}

// A whole number of hours as decimal text; "-0" only when `keepNegativeZero`.
std::string WholeHoursText(double hours, bool keepNegativeZero) {
    if (hours == 0) {
        return keepNegativeZero && std::signbit(hours) ? "-0" : "0";
    }
    char text[400];  // the longest finite double printed without a fraction fits
    std::snprintf(text, sizeof text, "%.0f", hours);
    return text;
}

// The rule fields of one daylight-saving change: fixed date or weekday rule.
std::string EncodeChange(int day, int month, int occurrence, int weekday) {
    if (day > 0) {
        return RightAligned(month + kFixedDateMonthBase, 2) + RightAligned(day, 2);
    }
    std::string field = RightAligned(month + 1, 2);
    field += LastDigit(occurrence + 1);
    field += LastDigit(weekday + 1);
    return field;
}

void AppendRules(std::string& message, const DisplayRuleFields& fields, char kind) {
    message += RightAligned(fields.dstStart, kDstStartWidth);
    message += RightAligned(fields.dstEnd, kDstEndWidth);
    message += kind;
    message += RightAligned(fields.leapYear, kLeapYearWidth);
    message += RightAligned(fields.tzHours, kTzHoursWidth);
    message += RightAligned(fields.dstHour, kDstHourWidth);
    message += RightAligned(fields.tzHalf, kTzHalfWidth);
    message += '#';
}

}  // namespace

std::string RightAligned(std::string_view text, std::size_t width) {
    const auto first = text.find_first_not_of(' ');
    const std::string_view trimmed =
        first == std::string_view::npos
            ? std::string_view{}
            : text.substr(first, text.find_last_not_of(' ') - first + 1);
    if (trimmed.size() >= width) {
        return std::string(trimmed.substr(trimmed.size() - width));
    }
    return std::string(width - trimmed.size(), ' ') + std::string(trimmed);
}

std::string RightAligned(long long value, std::size_t width) {
    return RightAligned(std::to_string(value), width);
}

std::string TimeBlock(const DateTime& time) {
    std::string block = "*";
    block.reserve(kTimeBlockLength);
    block += RightAligned(time.second, 2);
    block += RightAligned(time.minute, 2);
    block += RightAligned(time.hour, 2);
    block += RightAligned(time.day, 2);
    block += RightAligned(time.month, 2);
    block += RightAligned(time.year, 4);
    return block;
}

std::string TimeOnlyMessage(const DateTime& utc) {
    return TimeBlock(utc) + std::string(kTimeOnlyTail);
}

std::string RulesMessage(const DateTime& utc, const DisplayRuleFields& fields) {
    std::string message = TimeBlock(utc);
    message.reserve(kMessageLength);
    message += ' ';
    AppendRules(message, fields, '2');
    return message;
}

std::string AddressedCommand(std::string_view currentAddress, std::string_view newAddress,
                             int setAddressFlag, const DisplayRuleFields& fields) {
    std::string message = "*";
    message.reserve(kMessageLength);
    message += RightAligned(currentAddress, 2);
    message += RightAligned(newAddress, 2);
    message += LastDigit(setAddressFlag);
    message += kAddressGap;
    AppendRules(message, fields, '3');
    return message;
}

std::string LocalTimeMessage(const DateTime& local) {
    return TimeBlock(local);
}

OffsetFields EncodeOffset(std::string_view hourOffsetText) {
    const double value = LeadingNumber(hourOffsetText);
    const double whole = std::trunc(value);
    const bool half = whole != value;  // never true for infinity: trunc keeps it
    std::string hours = WholeHoursText(whole, /*keepNegativeZero=*/half && value < 0);
    std::string halfDigit = half ? "1" : "0";
    if (whole >= kMaxOffsetHours) {
        hours = kClampedHours;
        halfDigit = kClampedHalf;
    }
    return {RightAligned(hours, kTzHoursWidth), RightAligned(halfDigit, kTzHalfWidth)};
}

DaylightSavingFields EncodeDaylightSaving(const DaylightSavingSelection& s) {
    if (s.autoDaylightSaving != 1) {
        return {RightAligned(0, kDstStartWidth), RightAligned(0, kDstEndWidth),
                RightAligned(0, kDstHourWidth)};
    }
    return {EncodeChange(s.startDay, s.startMonth, s.startOccurrence, s.startWeekday),
            EncodeChange(s.endDay, s.endMonth, s.endOccurrence, s.endWeekday),
            RightAligned(s.changeHour, kDstHourWidth)};
}

std::string EncodeLeapYear(int combo14Index) {
    return RightAligned(combo14Index, kLeapYearWidth);
}

}  // namespace corvantis
