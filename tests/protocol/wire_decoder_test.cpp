// The wire decoder against hand-computed vectors, every builder's output over the full range
// of every pick list, and streams with garbage, lost bytes and cut messages. In the texts
// each blank is written "_".
#include "protocol/wire_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <string>

#include "protocol/messages.h"

namespace corvantis {
namespace {

std::string Blanks(std::string text) {
    std::replace(text.begin(), text.end(), '_', ' ');
    return text;
}

DecodedMessage Decoded(const std::string& text) {
    auto message = DecodeMessage(text);
    EXPECT_TRUE(message.has_value()) << text;
    return message.value_or(DecodedMessage{});
}

ChangeRule Weekday(int month, int occurrence, int weekday) {
    return {ChangeRule::Form::Weekday, month, occurrence, weekday, 0};
}

ChangeRule Fixed(int month, int day) {
    return {ChangeRule::Form::FixedDate, month, 1, 7, day};
}

// Second Sunday of March to first Sunday of November at 02:00, UTC-6, leap-second year 0.
DisplayRules DefaultRules() {
    return {-360, true, Weekday(3, 2, 7), Weekday(11, 1, 7), 2, 0};
}

TEST(WireDecoderTest, WorkedExample) {
    const DateTime example{2024, 3, 9, 14, 7, 5};
    struct Row {
        std::string text;
        MessageKind kind;
    };
    for (const Row& row : {Row{"*_5_714_9_32024", MessageKind::LocalTime},
                           Row{"*_5_714_9_32024_________1_________#", MessageKind::TimeOnly},
                           Row{"*_5_714_9_32024__32711172_0_-6_2_0#", MessageKind::Rules}}) {
        const DecodedMessage message = Decoded(Blanks(row.text));
        EXPECT_EQ(message.kind, row.kind) << row.text;
        EXPECT_EQ(message.time, example) << row.text;
        EXPECT_TRUE(message.Sound()) << row.text;
        if (row.kind == MessageKind::Rules) {
            EXPECT_EQ(message.rules, DefaultRules());
        }
    }
    const DecodedMessage command = Decoded(Blanks("*_5121___________32711173_0_-6_2_0#"));
    EXPECT_EQ(command.kind, MessageKind::AddressedCommand);
    EXPECT_EQ(command.currentAddress, 5);
    EXPECT_EQ(command.newAddress, 12);
    EXPECT_EQ(command.setAddressFlag, 1);
    EXPECT_EQ(command.rules, DefaultRules());
    EXPECT_TRUE(command.Sound());
}

// Hand-computed rule fields, each read back in the rules message's characters 16-35.
TEST(WireDecoderTest, RuleFieldVectors) {
    struct Row {
        const char* tail;  // characters 16-35 of a rules message
        DisplayRules rules;
    };
    const Row rows[] = {
        // Daylight saving off: both changes "___0", hour "_0".
        {"____0___02_0__0_0_0#", {0, false, {}, {}, 0, 0}},
        // Last Sunday of March to last Sunday of October, UTC+1, change at 01:00.
        {"__3571057266__1_1_0#", {60, true, Weekday(3, 5, 7), Weekday(10, 5, 7), 1, 66}},
        // Fixed dates: 15 March to 1 December (month codes 23 and 32).
        {"_231532_12_5__0_3_0#", {0, true, Fixed(3, 15), Fixed(12, 1), 3, 5}},
        // 5 March as a fixed date is "23_5".
        {"_23_51017299_12_0_0#", {720, true, Fixed(3, 5), Weekday(10, 1, 7), 0, 99}},
        // Southern hemisphere: first Sunday of October to first Sunday of April, UTC+10.
        {"_10174172_0_10_3_0#_", {}},  // misplaced "#": not framed, checked below
        // Half hours: -3.5 is "_-3" with "_1"; 5.5 is "__5" with "_1"; -0.5 is "_-0" with "_1".
        {"____0___02_0_-323_1#", {-210, false, {}, {}, 23, 0}},
        {"____0___02_0__5_0_1#", {330, false, {}, {}, 0, 0}},
        {"____0___02_0_-0_0_1#", {-30, false, {}, {}, 0, 0}},
        {"____0___02_0__0_0_1#", {30, false, {}, {}, 0, 0}},
        // +13 hours travels as 12 with the digit 2; 12.5 as 12 with 1.
        {"____0___02_0_12_0_2#", {780, false, {}, {}, 0, 0}},
        {"____0___02_0_12_0_1#", {750, false, {}, {}, 0, 0}},
        {"____0___02_0-12_0_0#", {-720, false, {}, {}, 0, 0}},
    };
    for (const Row& row : rows) {
        const std::string text = Blanks(std::string("*_0_0_0_1_12025") + row.tail);
        const auto message = DecodeMessage(text);
        if (text.back() != '#') {
            EXPECT_FALSE(message.has_value()) << text;
            continue;
        }
        ASSERT_TRUE(message.has_value()) << text;
        EXPECT_EQ(message->rules, row.rules) << text;
        EXPECT_TRUE(message->Sound()) << text << ": " << message->problems.front();
    }
}

// Fields a sound builder never writes are reported, each with its own sentence, never
// trusted and never a crash.
TEST(WireDecoderTest, UnsoundFieldsAreReported) {
    struct Row {
        const char* text;
        const char* problem;  // part of the one expected sentence
    };
    const Row rows[] = {
        {"*_0_0_0_1132025", "month 13 is outside 1-12"},
        {"*_0_0_0_0_12025", "day 0 is outside 1-31"},
        {"*_0_0_030_22025", "day 30 does not exist in month 2 of 2025"},
        {"*_0_0_029_22023", "day 29 does not exist in month 2 of 2023"},
        {"*60_0_0_1_12025", "second 60 is outside 0-59"},
        {"*_0_0_0_1_1_-12", "year -12 is outside 1-9999"},
        {"*_0_0_0_1_1__x5", "year \"  x5\" is not a number"},
        {"*_0_0_0_1_12025_________1________x#", "time-only tail"},
        {"*_0_0_0_1_12025_223111172_0_-6_2_0#", "start day 31 does not exist in month 2"},
        {"*_0_0_0_1_12025__38111172_0_-6_2_0#", "daylight-saving start occurrence 8"},
        {"*_0_0_0_1_12025__31811172_0_-6_2_0#", "daylight-saving start weekday 8"},
        {"*_0_0_0_1_12025_20_111172_0_-6_2_0#", "neither a month 1-12"},
        {"*_0_0_0_1_12025_13_111172_0_-6_2_0#", "neither a month 1-12"},
        {"*_0_0_0_1_12025__327___02_0__0_0_0#", "off at one end only"},
        {"*_0_0_0_1_12025__32711172-1__0_2_0#", "leap-second year -1"},
        {"*_0_0_0_1_12025__3271117299__024_0#", "change hour 24"},
        {"*_0_0_0_1_12025____0___02_0-12_0_1#", "offset of -750 minutes"},
        {"*_0_0_0_1_12025____0___02_0_11_0_2#", "offset digit 2 comes with 11 hours"},
        {"*_0_0_0_1_12025____0___02_0__0_0_3#", "half-hour digit \" 3\""},
        {"*_0_0_0_1_12025____0___02_0___0_0_x#", ""},  // 36 characters: not framed
        {"*_512x___________32711173_0_-6_2_0#", "set-address flag \"x\" is not a number"},
        {"*__121___________32711173_0_-6_2_0#", "current address \"  \" is not a number"},
        {"*_5121_____x_____32711173_0_-6_2_0#", "characters 7-16"},
    };
    for (const Row& row : rows) {
        const std::string text = Blanks(row.text);
        const auto message = DecodeMessage(text);
        if (*row.problem == '\0') {
            EXPECT_FALSE(message.has_value()) << text;
            continue;
        }
        ASSERT_TRUE(message.has_value()) << text;
        ASSERT_EQ(message->problems.size(), 1u) << text;
        EXPECT_NE(message->problems.front().find(row.problem), std::string::npos)
            << text << ": " << message->problems.front();
    }
    const auto blankAddress = DecodeMessage(Blanks("*__121___________32711173_0_-6_2_0#"));
    EXPECT_EQ(blankAddress->currentAddress, -1);
}

TEST(WireDecoderTest, TextsThatAreNoMessage) {
    for (const char* text :
         {"", "_5_714_9_32024", "*_5_714_9_3202", "*_5_714_9_32024_________4_________#",
          "*_5_714_9_32024_________1__________"}) {
        EXPECT_FALSE(DecodeMessage(Blanks(text)).has_value()) << text;
    }
}

// --- Every builder's output decodes to the values that built it -----------------------------

std::string OffsetText(float hours) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, hours);
    return std::string(text, result.ptr);
}

DisplayRuleFields Fields(const std::string& offsetText, const DaylightSavingSelection& dst,
                         int leapIndex) {
    const OffsetFields offset = EncodeOffset(offsetText);
    const DaylightSavingFields rules = EncodeDaylightSaving(dst);
    return {offset.tzHours, offset.tzHalf, rules.dstStart,
            rules.dstEnd,   rules.dstHour, EncodeLeapYear(leapIndex)};
}

DaylightSavingSelection DefaultSelection() {
    DaylightSavingSelection s;
    s.autoDaylightSaving = 1;
    s.startDay = 0;
    s.startMonth = 2;
    s.startOccurrence = 1;
    s.startWeekday = 6;
    s.endDay = 0;
    s.endMonth = 10;
    s.endOccurrence = 0;
    s.endWeekday = 6;
    s.changeHour = 2;
    return s;
}

// Decodes the rules message and the addressed command built from `fields`; both must carry
// `expected` and no problem.
void ExpectRoundTrip(const DisplayRuleFields& fields, const DisplayRules& expected,
                     const std::string& label) {
    const DateTime time{2031, 12, 31, 23, 59, 58};
    const DecodedMessage rules = Decoded(RulesMessage(time, fields));
    EXPECT_EQ(rules.rules, expected) << label;
    EXPECT_EQ(rules.time, time) << label;
    EXPECT_TRUE(rules.Sound()) << label << ": " << rules.problems.front();
    const DecodedMessage command = Decoded(AddressedCommand("7", "8", 0, fields));
    EXPECT_EQ(command.rules, expected) << label;
    EXPECT_TRUE(command.Sound()) << label;
}

TEST(WireDecoderRoundTripTest, EveryOffsetOfTheList) {
    int index = 0;
    for (float hours = -12.0f; hours <= 13.0f; hours += 0.5f, ++index) {
        DisplayRules expected = DefaultRules();
        expected.offsetMinutes = static_cast<int>(hours * 60);
        ExpectRoundTrip(Fields(OffsetText(hours), DefaultSelection(), 0), expected,
                        "offset " + OffsetText(hours));
    }
    EXPECT_EQ(index, 51);
}

TEST(WireDecoderRoundTripTest, EveryWeekdayRule) {
    for (int month = 0; month < 12; ++month) {
        for (int occurrence = 0; occurrence < 5; ++occurrence) {
            for (int weekday = 0; weekday < 7; ++weekday) {
                DaylightSavingSelection s = DefaultSelection();
                s.startMonth = s.endMonth = month;
                s.startOccurrence = s.endOccurrence = occurrence;
                s.startWeekday = s.endWeekday = weekday;
                DisplayRules expected = DefaultRules();
                expected.start = expected.end = Weekday(month + 1, occurrence + 1, weekday + 1);
                ExpectRoundTrip(Fields("-6", s, 0), expected,
                                "rule " + std::to_string(month) + "/" + std::to_string(occurrence) +
                                    "/" + std::to_string(weekday));
            }
        }
    }
}

TEST(WireDecoderRoundTripTest, EveryFixedDate) {
    static constexpr int kDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (int month = 0; month < 12; ++month) {
        for (int day = 1; day <= 31; ++day) {
            DaylightSavingSelection s = DefaultSelection();
            s.startMonth = s.endMonth = month;
            s.startDay = s.endDay = day;
            const std::string label = "fixed " + std::to_string(month) + "/" + std::to_string(day);
            const DisplayRuleFields fields = Fields("-6", s, 0);
            const DecodedMessage message =
                Decoded(RulesMessage(DateTime{2030, 1, 1, 0, 0, 0}, fields));
            EXPECT_EQ(message.rules.start, Fixed(month + 1, day)) << label;
            EXPECT_EQ(message.rules.end, Fixed(month + 1, day)) << label;
            // The lists offer 31 days in every month; a day the month lacks is reported.
            EXPECT_EQ(message.problems.size(), day <= kDays[month] ? 0u : 2u) << label;
        }
    }
}

TEST(WireDecoderRoundTripTest, EveryChangeHourAndLeapYear) {
    for (int hour = 0; hour <= 23; ++hour) {
        DaylightSavingSelection s = DefaultSelection();
        s.changeHour = hour;
        DisplayRules expected = DefaultRules();
        expected.changeHour = hour;
        ExpectRoundTrip(Fields("-6", s, 0), expected, "hour " + std::to_string(hour));
    }
    for (int leap = 0; leap <= 99; ++leap) {
        DisplayRules expected = DefaultRules();
        expected.leapYear = leap;
        ExpectRoundTrip(Fields("-6", DefaultSelection(), leap), expected,
                        "leap " + std::to_string(leap));
    }
    DaylightSavingSelection off = DefaultSelection();
    off.autoDaylightSaving = 0;
    ExpectRoundTrip(Fields("-6", off, 0), {-360, false, {}, {}, 0, 0}, "off");
}

TEST(WireDecoderRoundTripTest, EveryAddressPairAndFlag) {
    for (int current = 0; current <= 99; ++current) {
        for (int flag = 0; flag <= 1; ++flag) {
            const int next = 99 - current;
            const DecodedMessage message =
                Decoded(AddressedCommand(std::to_string(current), std::to_string(next), flag,
                                         Fields("-6", DefaultSelection(), 0)));
            EXPECT_EQ(message.currentAddress, current);
            EXPECT_EQ(message.newAddress, next);
            EXPECT_EQ(message.setAddressFlag, flag);
            EXPECT_TRUE(message.Sound());
        }
    }
}

TEST(WireDecoderRoundTripTest, TimeBlocksAcrossTheCalendar) {
    // One instant every 37 hours and 13 seconds over five years, in every message with time.
    for (std::int64_t t = ToEpochSeconds({2024, 1, 1, 0, 0, 0});
         t < ToEpochSeconds({2029, 1, 1, 0, 0, 0}); t += 37 * 3600 + 13) {
        const DateTime time = FromEpochSeconds(t);
        for (const std::string& text : {TimeOnlyMessage(time), LocalTimeMessage(time)}) {
            const DecodedMessage message = Decoded(text);
            EXPECT_EQ(message.time, time) << text;
            EXPECT_TRUE(message.Sound()) << text;
        }
    }
}

// --- Streams ---------------------------------------------------------------------------------

struct StreamResult {
    std::vector<std::string> messages;  // texts of the messages, in order
    std::vector<std::string> skipped;   // skipped bytes, in order
};

StreamResult Collect(const std::vector<DecodeEvent>& events, StreamResult result = {}) {
    for (const DecodeEvent& event : events) {
        if (event.message) {
            result.messages.push_back(event.message->text);
        }
        if (event.skipped) {
            result.skipped.push_back(event.skipped->bytes);
        }
    }
    return result;
}

TEST(WireDecoderStreamTest, FramingAndResynchronisation) {
    const std::string a = TimeOnlyMessage({2024, 3, 9, 14, 7, 4});
    const std::string b = TimeOnlyMessage({2024, 3, 9, 14, 7, 6});
    const std::string local = LocalTimeMessage({2024, 3, 9, 8, 7, 8});
    struct Row {
        const char* name;
        std::string line;
        std::vector<std::string> messages;
        std::vector<std::string> skipped;
    };
    const Row rows[] = {
        {"two messages back to back", a + b, {a, b}, {}},
        {"garbage before and between", "xy" + a + "\r\n" + b, {a, b}, {"xy", "\r\n"}},
        {"a byte lost from the first",
         a.substr(0, 10) + a.substr(11) + b,
         {b},
         {a.substr(0, 10) + a.substr(11)}},
        {"a message cut in half", a.substr(0, 20) + b, {b}, {a.substr(0, 20)}},
        {"local time messages follow each other", local + local + a, {local, local, a}, {}},
        {"a cut message that ends where a time block would",
         a.substr(0, 15) + "x" + b,
         {b},
         {a.substr(0, 15) + "x"}},
        {"a stray star", "*" + a, {a}, {"*"}},
    };
    for (const Row& row : rows) {
        WireDecoder whole;
        const StreamResult all = Collect(whole.Feed(row.line));
        EXPECT_EQ(all.messages, row.messages) << row.name;
        EXPECT_EQ(all.skipped, row.skipped) << row.name;
        // Byte by byte gives the same events.
        WireDecoder single;
        StreamResult pieces;
        for (char c : row.line) {
            pieces = Collect(single.Feed(std::string(1, c)), pieces);
        }
        EXPECT_EQ(pieces.messages, row.messages) << row.name;
        // Garbage may be reported in smaller runs as it arrives; the bytes are the same.
        std::string skippedWhole, skippedPieces;
        for (const auto& bytes : row.skipped) {
            skippedWhole += bytes;
        }
        for (const auto& bytes : pieces.skipped) {
            skippedPieces += bytes;
        }
        EXPECT_EQ(skippedPieces, skippedWhole) << row.name;
    }
}

TEST(WireDecoderStreamTest, FlushEndsALocalTimeMessageAndReportsAnUnfinishedOne) {
    const std::string local = LocalTimeMessage({2024, 3, 9, 8, 7, 8});
    WireDecoder decoder;
    EXPECT_TRUE(decoder.Feed(local).empty());
    EXPECT_EQ(decoder.Pending(), 15u);
    EXPECT_EQ(Collect(decoder.Flush()).messages, std::vector<std::string>{local});

    const std::string half = TimeOnlyMessage({2024, 3, 9, 8, 7, 8}).substr(0, 20);
    EXPECT_TRUE(decoder.Feed(half).empty());
    EXPECT_EQ(Collect(decoder.Flush()).skipped, std::vector<std::string>{half});
    EXPECT_EQ(decoder.Pending(), 0u);
}

TEST(WireDecoderStreamTest, ALongRunOfGarbageIsSkippedAtOnce) {
    WireDecoder decoder;
    const StreamResult result = Collect(decoder.Feed(std::string(10000, '\xff')));
    EXPECT_EQ(result.skipped.size(), 1u);
    EXPECT_EQ(decoder.Pending(), 0u);
}

}  // namespace
}  // namespace corvantis
