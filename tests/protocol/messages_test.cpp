// Message and field vectors, byte for byte. In the expected texts each blank is written "_".
#include "protocol/messages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "support/wire_vectors.h"

namespace corvantis {
namespace {

std::string Blanks(std::string text) {
    std::replace(text.begin(), text.end(), '_', ' ');
    return text;
}

// The default display rules, encoded: second Sunday of March to first Sunday of November,
// change at hour 2, leap-second year 0, offset -6.
DisplayRuleFields DefaultRules() {
    return {" -6", " 0", " 327", "1117", " 2", " 0"};
}

DaylightSavingSelection DefaultSelection() {
    DaylightSavingSelection s;
    s.autoDaylightSaving = 1;
    s.startDay = 0;
    s.startMonth = 2;       // Mar
    s.startOccurrence = 1;  // Second
    s.startWeekday = 6;     // Sun
    s.endDay = 0;
    s.endMonth = 10;      // Nov
    s.endOccurrence = 0;  // First
    s.endWeekday = 6;     // Sun
    s.changeHour = 2;
    return s;
}

const DateTime kExample{2024, 3, 9, 14, 7, 5};

TEST(MessagesTest, WorkedExample) {
    EXPECT_EQ(TimeBlock(kExample), Blanks("*_5_714_9_32024"));
    EXPECT_EQ(LocalTimeMessage(kExample), Blanks("*_5_714_9_32024"));
    EXPECT_EQ(TimeOnlyMessage(kExample), Blanks("*_5_714_9_32024_________1_________#"));
    EXPECT_EQ(RulesMessage(kExample, DefaultRules()),
              Blanks("*_5_714_9_32024__32711172_0_-6_2_0#"));
    // The shared vectors the end-to-end tests check the wire against.
    EXPECT_EQ(TimeOnlyMessage(kExample).substr(15), testing::kTimeOnlyTail);
    EXPECT_EQ(RulesMessage(kExample, DefaultRules()).substr(15), testing::kDefaultRulesTail);
    EXPECT_EQ(AddressedCommand("0", "0", 1, DefaultRules()), testing::kDefaultAddressedCommand);
    EXPECT_EQ(AddressedCommand("5", "12", 1, DefaultRules()),
              Blanks("*_5121___________32711173_0_-6_2_0#"));
}

TEST(MessagesTest, TheDefaultSelectionEncodesTheWorkedExampleFields) {
    const OffsetFields offset = EncodeOffset("-6");
    const DaylightSavingFields dst = EncodeDaylightSaving(DefaultSelection());
    const DisplayRuleFields encoded{offset.tzHours, offset.tzHalf, dst.dstStart,
                                    dst.dstEnd,     dst.dstHour,   EncodeLeapYear(0)};
    EXPECT_EQ(RulesMessage(kExample, encoded), RulesMessage(kExample, DefaultRules()));
}

TEST(MessagesTest, TimeBlocks) {
    struct Row {
        DateTime time;
        const char* block;
    };
    for (const Row& row : std::initializer_list<Row>{
             {{2025, 1, 1, 0, 0, 0}, "*_0_0_0_1_12025"},  // midnight: zeros as single digits
             {{2024, 12, 31, 23, 59, 58},
              "*5859233112"
              "2024"},                                     // every field two digits
             {{999, 1, 1, 0, 0, 0}, "*_0_0_0_1_1_999"},    // a short year is right-aligned
             {{12345, 1, 1, 0, 0, 0}, "*_0_0_0_1_12345"},  // a long one keeps its last four
         }) {
        EXPECT_EQ(TimeBlock(row.time), Blanks(row.block)) << row.block;
    }
}

TEST(MessagesTest, EveryLongMessageIsFramedWithItsKindDigit) {
    const DisplayRuleFields rules = DefaultRules();
    struct Row {
        std::string message;
        char kind;
    };
    for (const Row& row :
         {Row{TimeOnlyMessage(kExample), '1'}, Row{RulesMessage(kExample, rules), '2'},
          Row{AddressedCommand("0", "0", 0, rules), '3'},
          Row{AddressedCommand("", "", 0, DisplayRuleFields{}), '3'},
          Row{RulesMessage(DateTime{}, DisplayRuleFields{}), '2'}}) {
        ASSERT_EQ(row.message.size(), kMessageLength) << row.message;
        EXPECT_EQ(row.message.front(), '*');
        EXPECT_EQ(row.message[24], row.kind) << row.message;
        EXPECT_EQ(row.message.back(), '#');
    }
}

TEST(MessagesTest, AddressTextsAreTrimmedAndCutToTwoCharacters) {
    struct Row {
        const char* current;
        const char* next;
        int flag;
        const char* head;  // characters 1-16
    };
    for (const Row& row : std::initializer_list<Row>{
             {"0", "0", 0, "*_0_00__________"},
             {"100", "7", 0, "*00_70__________"},      // over-long: the last two characters
             {"", "", 0, "*____0__________"},          // empty: two blanks
             {"  42  ", " 3", 1, "*42_31__________"},  // blanks around are trimmed
             {"A1", "xyz", 1, "*A1yz1__________"},     // texts go in as they stand
         }) {
        const std::string message =
            AddressedCommand(row.current, row.next, row.flag, DefaultRules());
        EXPECT_EQ(message.substr(0, 16), Blanks(row.head)) << row.current << "/" << row.next;
        EXPECT_EQ(message.size(), kMessageLength);
    }
}

TEST(MessagesTest, DaylightSavingOffFillsTheRuleCharacters) {
    DaylightSavingSelection off = DefaultSelection();
    off.autoDaylightSaving = 0;
    const DaylightSavingFields dst = EncodeDaylightSaving(off);
    const DisplayRuleFields fields{" -6", " 0", dst.dstStart, dst.dstEnd, dst.dstHour, " 0"};
    for (const std::string& message :
         {RulesMessage(kExample, fields), AddressedCommand("0", "0", 0, fields)}) {
        EXPECT_EQ(message.substr(16, 8), Blanks("___0___0")) << message;
        EXPECT_EQ(message.substr(30, 2), Blanks("_0")) << message;
    }
    off.autoDaylightSaving = 2;  // greyed is not checked
    EXPECT_EQ(EncodeDaylightSaving(off).dstStart, Blanks("___0"));
}

TEST(MessagesTest, OffsetTable) {
    struct Row {
        const char* hourOffset;
        const char* tzHours;
        const char* tzHalf;
    };
    for (const Row& row : std::initializer_list<Row>{
             {"-12", "-12", "_0"},
             {"-6", "_-6", "_0"},
             {"-3.5", "_-3", "_1"},
             {"0", "__0", "_0"},
             {"5.5", "__5", "_1"},
             {"12.5", "_12", "_1"},
             {"13", "_12", "_2"},
             {"-11.5", "-11", "_1"},
             {"-0.5", "_-0", "_1"},  // the sign survives: clocks tell it from +0.5
             {"0.5", "__0", "_1"},
             {"Time Zone", "__0", "_0"},  // no number counts as 0
             {"", "__0", "_0"},
             {" 5.5 ", "__5", "_1"},
             {"-6.0", "_-6", "_0"},  // a typed ".0" keeps the sign within three characters
             {"+5", "__5", "_0"},
             {"13.5", "_12", "_2"},
             {"20", "_12", "_2"},
         }) {
        const OffsetFields fields = EncodeOffset(row.hourOffset);
        EXPECT_EQ(fields.tzHours, Blanks(row.tzHours)) << '"' << row.hourOffset << '"';
        EXPECT_EQ(fields.tzHalf, Blanks(row.tzHalf)) << '"' << row.hourOffset << '"';
    }
}

TEST(MessagesTest, DaylightSavingRules) {
    struct Row {
        const char* what;
        int day, month, occurrence, weekday;
        const char* field;
    };
    for (const Row& row : std::initializer_list<Row>{
             {"second Sunday of March", 0, 2, 1, 6, "_327"},
             {"first Sunday of November", 0, 10, 0, 6, "1117"},
             {"last Sunday of October", 0, 9, 4, 6, "1057"},
             {"first Monday of January", 0, 0, 0, 0, "_111"},
             {"15 March", 15, 2, 1, 6, "2315"},
             {"5 March", 5, 2, 0, 0, "23_5"},
             {"1 December", 1, 11, 0, 0, "32_1"},
             {"31 January", 31, 0, 3, 3, "2131"},
             {"nothing selected", -1, -1, -1, -1, "_000"},
             {"fixed day, no month", 15, -1, -1, -1, "2015"},
             {"no day, no occurrence", -1, 2, -1, 6, "_307"},
             {"no day, no weekday", 0, 2, 1, -1, "_320"},
         }) {
        DaylightSavingSelection start;
        start.autoDaylightSaving = 1;
        start.startDay = row.day;
        start.startMonth = row.month;
        start.startOccurrence = row.occurrence;
        start.startWeekday = row.weekday;
        EXPECT_EQ(EncodeDaylightSaving(start).dstStart, Blanks(row.field)) << row.what;

        DaylightSavingSelection end;
        end.autoDaylightSaving = 1;
        end.endDay = row.day;
        end.endMonth = row.month;
        end.endOccurrence = row.occurrence;
        end.endWeekday = row.weekday;
        EXPECT_EQ(EncodeDaylightSaving(end).dstEnd, Blanks(row.field)) << row.what;
    }
}

TEST(MessagesTest, HourAndLeapYearFields) {
    struct Row {
        int index;
        const char* field;
    };
    for (const Row& row :
         std::initializer_list<Row>{{0, "_0"}, {2, "_2"}, {5, "_5"}, {23, "23"}, {-1, "-1"}}) {
        DaylightSavingSelection s = DefaultSelection();
        s.changeHour = row.index;
        EXPECT_EQ(EncodeDaylightSaving(s).dstHour, Blanks(row.field)) << row.index;
        EXPECT_EQ(EncodeLeapYear(row.index), Blanks(row.field)) << row.index;
    }
    EXPECT_EQ(EncodeLeapYear(66), "66");  // a December leap second in year 16
    EXPECT_EQ(EncodeLeapYear(99), "99");
}

}  // namespace
}  // namespace corvantis
