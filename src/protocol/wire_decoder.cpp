#include "protocol/wire_decoder.h"

#include <cctype>
#include <string>

#include "protocol/messages.h"

namespace corvantis {

namespace {

constexpr std::string_view kTimeOnlyTail = "         1         #";
constexpr std::string_view kAddressGap = "          ";
constexpr std::string_view kRuleOff = "   0";
constexpr int kFixedDateMonthBase = 20;  // month code 21 is January
constexpr int kMaxOffsetMinutes = 13 * 60;
constexpr int kMinOffsetMinutes = -12 * 60;
constexpr std::size_t kKindPosition = 24;

// A right-aligned decimal field: blanks, an optional minus sign, at least one digit, nothing
// after. `negative` tells "-0" from "0".
struct FieldNumber {
    bool ok = false;
    int value = 0;
    bool negative = false;
};

FieldNumber ReadField(std::string_view field) {
    std::size_t i = 0;
    while (i < field.size() && field[i] == ' ') {
        ++i;
    }
    FieldNumber number;
    if (i < field.size() && field[i] == '-') {
        number.negative = true;
        ++i;
    }
    if (i == field.size()) {
        return number;
    }
    for (; i < field.size(); ++i) {
        if (field[i] < '0' || field[i] > '9') {
            return number;
        }
        number.value = number.value * 10 + (field[i] - '0');
    }
    if (number.negative) {
        number.value = -number.value;
    }
    number.ok = true;
    return number;
}

std::string Quoted(std::string_view field) {
    return "\"" + std::string(field) + "\"";
}

// Reads `field` as a number in [low, high]; a problem names `what` otherwise. Returns the
// number read (0 when there is none).
int ReadChecked(std::string_view field, int low, int high, const std::string& what,
                std::vector<std::string>& problems) {
    const FieldNumber number = ReadField(field);
    if (!number.ok) {
        problems.push_back(what + " " + Quoted(field) + " is not a number");
        return 0;
    }
    if (number.value < low || number.value > high) {
        problems.push_back(what + " " + std::to_string(number.value) + " is outside " +
                           std::to_string(low) + "-" + std::to_string(high));
    }
    return number.value;
}

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) {
        return 31;
    }
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

DateTime ReadTimeBlock(std::string_view block, std::vector<std::string>& problems) {
    DateTime time;
    time.second = ReadChecked(block.substr(1, 2), 0, 59, "second", problems);
    time.minute = ReadChecked(block.substr(3, 2), 0, 59, "minute", problems);
    time.hour = ReadChecked(block.substr(5, 2), 0, 23, "hour", problems);
    time.day = ReadChecked(block.substr(7, 2), 1, 31, "day", problems);
    time.month = ReadChecked(block.substr(9, 2), 1, 12, "month", problems);
    time.year = ReadChecked(block.substr(11, 4), 1, 9999, "year", problems);
    if (time.day >= 1 && time.day <= 31 && time.day > DaysInMonth(time.year, time.month)) {
        problems.push_back("day " + std::to_string(time.day) + " does not exist in month " +
                           std::to_string(time.month) + " of " + std::to_string(time.year));
    }
    return time;
}

// One daylight-saving change field: "MM" month 1-12 then occurrence and weekday digits, or
// month code 21-32 then the day in two characters.
ChangeRule ReadChange(std::string_view field, const std::string& what,
                      std::vector<std::string>& problems) {
    ChangeRule rule;
    const FieldNumber code = ReadField(field.substr(0, 2));
    if (code.ok && code.value >= 1 && code.value <= 12) {
        rule.form = ChangeRule::Form::Weekday;
        rule.month = code.value;
        rule.occurrence = ReadChecked(field.substr(2, 1), 1, 5, what + " occurrence", problems);
        rule.weekday = ReadChecked(field.substr(3, 1), 1, 7, what + " weekday", problems);
        return rule;
    }
    if (code.ok && code.value > kFixedDateMonthBase && code.value <= kFixedDateMonthBase + 12) {
        rule.form = ChangeRule::Form::FixedDate;
        rule.month = code.value - kFixedDateMonthBase;
        rule.day = ReadChecked(field.substr(2, 2), 1, 31, what + " day", problems);
        // 29 February is a date in leap years only; counted as possible.
        if (rule.day >= 1 && rule.day > DaysInMonth(2000, rule.month)) {
            problems.push_back(what + " day " + std::to_string(rule.day) +
                               " does not exist in month " + std::to_string(rule.month));
        }
        return rule;
    }
    problems.push_back(what + " " + Quoted(field) +
                       " is neither a month 1-12 with a weekday rule nor a month code 21-32");
    return rule;
}

// Characters 17-34 of a rules message or an addressed command.
DisplayRules ReadRules(std::string_view message, std::vector<std::string>& problems) {
    DisplayRules rules;
    const std::string_view start = message.substr(16, 4);
    const std::string_view end = message.substr(20, 4);
    const std::string_view leap = message.substr(25, 2);
    const std::string_view hours = message.substr(27, 3);
    const std::string_view hour = message.substr(30, 2);
    const std::string_view half = message.substr(32, 2);

    if (start == kRuleOff && end == kRuleOff) {
        rules.daylightSaving = false;
    } else if (start == kRuleOff || end == kRuleOff) {
        problems.push_back("daylight saving is off at one end only (start " + Quoted(start) +
                           ", end " + Quoted(end) + ")");
    } else {
        rules.daylightSaving = true;
        rules.start = ReadChange(start, "daylight-saving start", problems);
        rules.end = ReadChange(end, "daylight-saving end", problems);
    }
    rules.changeHour = ReadChecked(hour, 0, 23, "change hour", problems);
    rules.leapYear = ReadChecked(leap, 0, 99, "leap-second year", problems);

    const FieldNumber whole = ReadField(hours);
    const FieldNumber halfDigit = ReadField(half);
    if (!whole.ok) {
        problems.push_back("offset hours " + Quoted(hours) + " is not a number");
    } else if (!halfDigit.ok || halfDigit.value < 0 || halfDigit.value > 2) {
        problems.push_back("offset half-hour digit " + Quoted(half) + " is not 0, 1 or 2");
    } else if (halfDigit.value == 2) {
        // The list's offsets beyond 12 hours (only +13) travel as 12 with the digit 2.
        if (whole.value != 12) {
            problems.push_back("offset digit 2 comes with " + std::to_string(whole.value) +
                               " hours, not 12");
        }
        rules.offsetMinutes = kMaxOffsetMinutes;
    } else {
        const int halfMinutes = halfDigit.value == 1 ? (whole.negative ? -30 : 30) : 0;
        rules.offsetMinutes = whole.value * 60 + halfMinutes;
        if (rules.offsetMinutes < kMinOffsetMinutes || rules.offsetMinutes > kMaxOffsetMinutes) {
            problems.push_back("offset of " + std::to_string(rules.offsetMinutes) +
                               " minutes is outside -12 to +13 hours");
        }
    }
    return rules;
}

// Whether the 15 characters could be a time block: "*" and digits, blanks or minus signs.
bool LooksLikeTimeBlock(std::string_view text) {
    if (text.size() != kTimeBlockLength || text[0] != '*') {
        return false;
    }
    for (std::size_t i = 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c != ' ' && c != '-' && (c < '0' || c > '9')) {
            return false;
        }
    }
    return true;
}

}  // namespace

const char* KindName(MessageKind kind) {
    switch (kind) {
        case MessageKind::TimeOnly:
            return "time-only message";
        case MessageKind::Rules:
            return "rules message";
        case MessageKind::AddressedCommand:
            return "addressed command";
        case MessageKind::LocalTime:
            return "local time message";
    }
    return "message";
}

std::optional<DecodedMessage> DecodeMessage(std::string_view text) {
    if (text.empty() || text[0] != '*') {
        return std::nullopt;
    }
    DecodedMessage message;
    message.text = std::string(text);
    auto& problems = message.problems;
    if (text.size() == kTimeBlockLength) {
        message.kind = MessageKind::LocalTime;
        message.time = ReadTimeBlock(text, problems);
        return message;
    }
    if (text.size() != kMessageLength || text[kMessageLength - 1] != '#') {
        return std::nullopt;
    }
    switch (text[kKindPosition]) {
        case '1':
            message.kind = MessageKind::TimeOnly;
            message.time = ReadTimeBlock(text.substr(0, kTimeBlockLength), problems);
            if (text.substr(kTimeBlockLength) != kTimeOnlyTail) {
                problems.push_back("time-only tail " + Quoted(text.substr(kTimeBlockLength)) +
                                   " is not the constant one");
            }
            return message;
        case '2':
            message.kind = MessageKind::Rules;
            message.time = ReadTimeBlock(text.substr(0, kTimeBlockLength), problems);
            if (text[kTimeBlockLength] != ' ') {
                problems.push_back("character 16 " + Quoted(text.substr(kTimeBlockLength, 1)) +
                                   " is not a blank");
            }
            message.rules = ReadRules(text, problems);
            return message;
        case '3':
            message.kind = MessageKind::AddressedCommand;
            message.currentAddress =
                ReadChecked(text.substr(1, 2), 0, 99, "current address", problems);
            message.newAddress = ReadChecked(text.substr(3, 2), 0, 99, "new address", problems);
            if (!ReadField(text.substr(1, 2)).ok) {
                message.currentAddress = -1;
            }
            if (!ReadField(text.substr(3, 2)).ok) {
                message.newAddress = -1;
            }
            message.setAddressFlag =
                ReadChecked(text.substr(5, 1), 0, 1, "set-address flag", problems);
            if (text.substr(6, kAddressGap.size()) != kAddressGap) {
                problems.push_back("characters 7-16 " + Quoted(text.substr(6, 10)) +
                                   " are not blanks");
            }
            message.rules = ReadRules(text, problems);
            return message;
        default:
            return std::nullopt;
    }
}

std::vector<DecodeEvent> WireDecoder::Feed(std::string_view bytes) {
    m_buffer.append(bytes);
    std::vector<DecodeEvent> events;
    Drain(events);
    return events;
}

std::vector<DecodeEvent> WireDecoder::Flush() {
    std::vector<DecodeEvent> events;
    Drain(events);
    if (LooksLikeTimeBlock(m_buffer)) {
        events.push_back({DecodeMessage(m_buffer), std::nullopt});
        m_buffer.clear();
    } else if (!m_buffer.empty()) {
        Skip(m_buffer.size(), "message cut off", events);
    }
    return events;
}

void WireDecoder::Skip(std::size_t count, std::string reason, std::vector<DecodeEvent>& events) {
    events.push_back({std::nullopt, SkippedBytes{m_buffer.substr(0, count), std::move(reason)}});
    m_buffer.erase(0, count);
}

void WireDecoder::Drain(std::vector<DecodeEvent>& events) {
    while (!m_buffer.empty()) {
        if (m_buffer[0] != '*') {
            const std::size_t star = m_buffer.find('*');
            Skip(star == std::string::npos ? m_buffer.size() : star, "not part of a message",
                 events);
            continue;
        }
        const std::string_view view(m_buffer);
        // A time block followed at once by the next message is a local time message.
        if (view.size() > kTimeBlockLength && view[kTimeBlockLength] == '*' &&
            LooksLikeTimeBlock(view.substr(0, kTimeBlockLength))) {
            events.push_back({DecodeMessage(view.substr(0, kTimeBlockLength)), std::nullopt});
            m_buffer.erase(0, kTimeBlockLength);
            continue;
        }
        const std::size_t nextStar = view.find('*', 1);
        if (nextStar != std::string_view::npos && nextStar < kMessageLength) {
            // A message never holds a second "*": this one was cut off (or is garbage).
            Skip(nextStar, "message cut off", events);
            continue;
        }
        if (view.size() < kMessageLength) {
            return;  // wait for the rest
        }
        if (auto message = DecodeMessage(view.substr(0, kMessageLength))) {
            events.push_back({std::move(message), std::nullopt});
            m_buffer.erase(0, kMessageLength);
            continue;
        }
        Skip(nextStar == std::string_view::npos ? m_buffer.size() : nextStar,
             "no \"#\" or kind digit where a message ends", events);
    }
}

}  // namespace corvantis
