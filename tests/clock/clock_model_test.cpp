// The clock model against hand-computed vectors: change days, shown times on both sides of
// each change (northern and southern rules, fixed dates), leap seconds in June and December,
// address 0 and address changes.
#include "clock/clock_model.h"

#include <gtest/gtest.h>

#include <string>

#include "protocol/messages.h"

namespace corvantis {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

ChangeRule Weekday(int month, int occurrence, int weekday) {
    return {ChangeRule::Form::Weekday, month, occurrence, weekday, 0};
}

ChangeRule Fixed(int month, int day) {
    return {ChangeRule::Form::FixedDate, month, 1, 7, day};
}

std::int64_t Utc(int y, int mo, int d, int h, int mi, int s) {
    return ToEpochSeconds({y, mo, d, h, mi, s});
}

const DisplayRules kChicagoDefaults{-360, true, Weekday(3, 2, 7), Weekday(11, 1, 7), 2, 0};
const DisplayRules kSydneyLike{600, true, Weekday(10, 1, 7), Weekday(4, 1, 7), 2, 0};
const DisplayRules kFixedDates{60, true, Fixed(3, 15), Fixed(12, 1), 3, 0};
const DisplayRules kKolkata{330, false, {}, {}, 0, 0};

TEST(DaylightSavingTest, ChangeDays) {
    struct Row {
        ChangeRule rule;
        int year;
        DateTime expected;  // the day, at midnight
    };
    const Row rows[] = {
        {Weekday(3, 2, 7), 2024, {2024, 3, 10, 0, 0, 0}},   // 1 March 2024 was a Friday
        {Weekday(11, 1, 7), 2024, {2024, 11, 3, 0, 0, 0}},  // 1 November 2024 a Friday
        {Weekday(3, 5, 7), 2025, {2025, 3, 30, 0, 0, 0}},   // last Sunday of March
        {Weekday(10, 5, 7), 2025, {2025, 10, 26, 0, 0, 0}},
        {Weekday(10, 1, 7), 2025, {2025, 10, 5, 0, 0, 0}},   // 1 October 2025 a Wednesday
        {Weekday(2, 5, 5), 2024, {2024, 2, 23, 0, 0, 0}},    // 29 February 2024 a Thursday
        {Weekday(11, 4, 4), 2026, {2026, 11, 26, 0, 0, 0}},  // fourth Thursday
        {Weekday(12, 5, 7), 2023, {2023, 12, 31, 0, 0, 0}},  // the last day itself
        {Weekday(1, 1, 1), 2024, {2024, 1, 1, 0, 0, 0}},     // the first day itself
        {Fixed(3, 15), 2025, {2025, 3, 15, 0, 0, 0}},
        {Fixed(2, 29), 2024, {2024, 2, 29, 0, 0, 0}},
        {Fixed(2, 29), 2025, {2025, 3, 1, 0, 0, 0}},  // a common year has no 29 February
    };
    for (const Row& row : rows) {
        EXPECT_EQ(FromEpochSeconds(ChangeDay(row.rule, row.year) * 86400), row.expected)
            << row.rule.month << "/" << row.rule.occurrence << "/" << row.rule.weekday << "/"
            << row.rule.day << " in " << row.year;
    }
}

TEST(DaylightSavingTest, ShownTimesAroundEachChange) {
    struct Row {
        const char* name;
        const DisplayRules& rules;
        std::int64_t utc;
        DateTime shown;
        bool daylightSaving;
    };
    const Row rows[] = {
        // Defaults: 02:00 standard becomes 03:00 on 10 March 2024 (08:00 UTC)...
        {"spring, before",
         kChicagoDefaults,
         Utc(2024, 3, 10, 7, 59, 59),
         {2024, 3, 10, 1, 59, 59},
         false},
        {"spring, after",
         kChicagoDefaults,
         Utc(2024, 3, 10, 8, 0, 0),
         {2024, 3, 10, 3, 0, 0},
         true},
        // ...and 02:00 daylight time becomes 01:00 on 3 November 2024 (07:00 UTC).
        {"autumn, before",
         kChicagoDefaults,
         Utc(2024, 11, 3, 6, 59, 59),
         {2024, 11, 3, 1, 59, 59},
         true},
        {"autumn, after",
         kChicagoDefaults,
         Utc(2024, 11, 3, 7, 0, 0),
         {2024, 11, 3, 1, 0, 0},
         false},
        {"winter", kChicagoDefaults, Utc(2025, 1, 1, 0, 0, 0), {2024, 12, 31, 18, 0, 0}, false},
        // Southern rules: daylight saving from October across New Year to April.
        {"southern summer", kSydneyLike, Utc(2025, 1, 15, 0, 0, 0), {2025, 1, 15, 11, 0, 0}, true},
        {"southern New Year",
         kSydneyLike,
         Utc(2025, 12, 31, 14, 30, 0),
         {2026, 1, 1, 1, 30, 0},
         true},
        {"southern end, before",
         kSydneyLike,
         Utc(2025, 4, 5, 14, 59, 59),
         {2025, 4, 6, 1, 59, 59},
         true},
        {"southern end, after",
         kSydneyLike,
         Utc(2025, 4, 5, 15, 0, 0),
         {2025, 4, 6, 1, 0, 0},
         false},
        {"southern winter", kSydneyLike, Utc(2025, 7, 1, 0, 0, 0), {2025, 7, 1, 10, 0, 0}, false},
        {"southern start, before",
         kSydneyLike,
         Utc(2025, 10, 4, 15, 59, 59),
         {2025, 10, 5, 1, 59, 59},
         false},
        {"southern start, after",
         kSydneyLike,
         Utc(2025, 10, 4, 16, 0, 0),
         {2025, 10, 5, 3, 0, 0},
         true},
        // Fixed dates: 15 March 03:00 standard (02:00 UTC) to 1 December 03:00 daylight.
        {"fixed start, before",
         kFixedDates,
         Utc(2025, 3, 15, 1, 59, 59),
         {2025, 3, 15, 2, 59, 59},
         false},
        {"fixed start, after",
         kFixedDates,
         Utc(2025, 3, 15, 2, 0, 0),
         {2025, 3, 15, 4, 0, 0},
         true},
        {"fixed end, before",
         kFixedDates,
         Utc(2025, 12, 1, 0, 59, 59),
         {2025, 12, 1, 2, 59, 59},
         true},
        {"fixed end, after", kFixedDates, Utc(2025, 12, 1, 1, 0, 0), {2025, 12, 1, 2, 0, 0}, false},
        // A half-hour offset without daylight saving.
        {"half hour", kKolkata, Utc(2025, 1, 1, 0, 0, 0), {2025, 1, 1, 5, 30, 0}, false},
    };
    for (const Row& row : rows) {
        const ShownTime shown = ShowTime(row.rules, row.utc);
        EXPECT_EQ(shown.time, row.shown) << row.name;
        EXPECT_EQ(shown.daylightSaving, row.daylightSaving) << row.name;
    }
}

TEST(DaylightSavingTest, RulesInWords) {
    struct Row {
        DisplayRules rules;
        const char* words;
    };
    const Row rows[] = {
        {kChicagoDefaults,
         "UTC-6, daylight saving from the second Sunday of March to the first Sunday of "
         "November at 02:00"},
        {kFixedDates, "UTC+1, daylight saving from 15 March to 1 December at 03:00"},
        {kKolkata, "UTC+5:30, no daylight saving"},
        {{-210, false, {}, {}, 0, 0}, "UTC-3:30, no daylight saving"},
        {{0, true, Weekday(3, 5, 7), Weekday(10, 5, 7), 1, 0},
         "UTC, daylight saving from the last Sunday of March to the last Sunday of October at "
         "01:00"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(RulesInWords(row.rules), row.words);
    }
}

// --- The clock as messages leave it ----------------------------------------------------------

DisplayRuleFields DefaultFields() {
    return {" -6", " 0", " 327", "1117", " 2", " 0"};
}

DecodedMessage Decoded(const std::string& text) {
    return DecodeMessage(text).value();
}

DecodedMessage TimeAt(const DateTime& utc) {
    return Decoded(TimeOnlyMessage(utc));
}

TEST(ClockModelTest, LeapSecondsAtTheEndOfJuneAndDecember) {
    struct Row {
        const char* leapYear;
        const char* tzHours;
        DateTime synced;      // UTC, two seconds before the leap second
        DateTime shownAt[4];  // the hands after 0, 1, 2 and 3 seconds
    };
    const Row rows[] = {
        {"27",
         "  0",
         {2027, 6, 30, 23, 59, 58},
         {{2027, 6, 30, 23, 59, 58},
          {2027, 6, 30, 23, 59, 59},
          {2027, 6, 30, 23, 59, 60},
          {2027, 7, 1, 0, 0, 0}}},
        // 77 is a December leap second in 2027, shown at UTC-6.
        {"77",
         " -6",
         {2027, 12, 31, 23, 59, 58},
         {{2027, 12, 31, 17, 59, 58},
          {2027, 12, 31, 17, 59, 59},
          {2027, 12, 31, 17, 59, 60},
          {2027, 12, 31, 18, 0, 0}}},
        // 27 in December is no leap second at all.
        {"27",
         "  0",
         {2027, 12, 31, 23, 59, 58},
         {{2027, 12, 31, 23, 59, 58},
          {2027, 12, 31, 23, 59, 59},
          {2028, 1, 1, 0, 0, 0},
          {2028, 1, 1, 0, 0, 1}}},
    };
    for (const Row& row : rows) {
        ClockModel clock(1);
        const DisplayRuleFields fields{row.tzHours, " 0", "   0", "   0", " 0", row.leapYear};
        clock.Receive(Decoded(RulesMessage(row.synced, fields)), milliseconds(0));
        for (int s = 0; s < 4; ++s) {
            const auto shown = clock.Shown(seconds(s));
            ASSERT_TRUE(shown.has_value());
            EXPECT_EQ(shown->time, row.shownAt[s]) << row.leapYear << " after " << s << " s";
            EXPECT_EQ(shown->leapSecond, row.shownAt[s].second == 60);
        }
    }
}

TEST(ClockModelTest, AddressedCommandsReachTheirClocks) {
    const DisplayRuleFields plusOne{"  1", " 0", "   0", "   0", " 0", " 0"};
    struct Row {
        const char* name;
        std::string current, next;
        int flag;
        int addresses[3];  // of clocks 5, 7 and 0 afterwards
        bool rulesSet[3];
    };
    const Row rows[] = {
        {"to 5, rules only", "5", "12", 0, {5, 7, 0}, {true, false, false}},
        {"to 5, new address 12", "5", "12", 1, {12, 7, 0}, {true, false, false}},
        {"to every clock, rules only", "0", "3", 0, {5, 7, 0}, {true, true, true}},
        {"to every clock, new address 3", "0", "3", 1, {3, 3, 3}, {true, true, true}},
        {"to a clock nobody has", "9", "4", 1, {5, 7, 0}, {false, false, false}},
        {"100 is sent as 00: every clock", "100", "8", 1, {8, 8, 8}, {true, true, true}},
    };
    for (const Row& row : rows) {
        ClockModel clocks[3] = {ClockModel(5), ClockModel(7), ClockModel(0)};
        const DecodedMessage command =
            Decoded(AddressedCommand(row.current, row.next, row.flag, plusOne));
        for (int i = 0; i < 3; ++i) {
            const ClockReaction reaction = clocks[i].Receive(command, milliseconds(0));
            EXPECT_EQ(clocks[i].Address(), row.addresses[i]) << row.name << ", clock " << i;
            EXPECT_EQ(reaction.rulesSet, row.rulesSet[i]) << row.name << ", clock " << i;
            EXPECT_EQ(clocks[i].Rules().has_value(), row.rulesSet[i]) << row.name;
            EXPECT_FALSE(reaction.timeSet) << row.name;
        }
    }
}

TEST(ClockModelTest, RulesMessagesSetEveryClockAndUnsoundMessagesChangeNothing) {
    ClockModel clock(42);
    const DateTime t{2024, 3, 9, 14, 7, 4};
    const ClockReaction reaction =
        clock.Receive(Decoded(RulesMessage(t, DefaultFields())), milliseconds(0));
    EXPECT_TRUE(reaction.timeSet);
    EXPECT_TRUE(reaction.rulesSet);
    EXPECT_EQ(clock.Rules(), kChicagoDefaults);
    EXPECT_EQ(clock.Shown(seconds(2))->time, (DateTime{2024, 3, 9, 8, 7, 6}));

    // Month 13: the clock keeps its time and rules.
    const DecodedMessage bad =
        Decoded(RulesMessage({2025, 13, 1, 0, 0, 0}, {"  1", " 0", "   0", "   0", " 0", " 0"}));
    ASSERT_FALSE(bad.Sound());
    const ClockReaction none = clock.Receive(bad, seconds(2));
    EXPECT_FALSE(none.timeSet || none.rulesSet);
    EXPECT_EQ(clock.Rules(), kChicagoDefaults);
    EXPECT_EQ(clock.Shown(seconds(4))->time, (DateTime{2024, 3, 9, 8, 7, 8}));
}

TEST(ClockModelTest, Warnings) {
    ClockModel clock(1);
    EXPECT_EQ(clock.Warnings(seconds(0)), std::vector<std::string>{"no time received yet"});
    EXPECT_FALSE(clock.Shown(seconds(0)).has_value());

    const DateTime t{2024, 3, 9, 14, 7, 4};
    clock.Receive(Decoded(RulesMessage(t, DefaultFields())), seconds(0));
    EXPECT_TRUE(clock.Warnings(seconds(5)).empty());
    // Two seconds later as expected: no jump. Then an hour ahead: a jump of +3600 s.
    clock.Receive(TimeAt({2024, 3, 9, 14, 7, 6}), seconds(2));
    EXPECT_TRUE(clock.Warnings(seconds(2)).empty());
    clock.Receive(TimeAt({2024, 3, 9, 15, 7, 8}), seconds(4));
    EXPECT_EQ(clock.Warnings(seconds(4)), std::vector<std::string>{"time jumped by +3600 s"});
    EXPECT_EQ(clock.Warnings(seconds(14)), std::vector<std::string>{"time jumped by +3600 s"});
    EXPECT_EQ(clock.Warnings(seconds(15)),
              (std::vector<std::string>{"late: no time for 11 s", "time jumped by +3600 s"}));

    ClockModel local(1);
    local.Receive(Decoded(LocalTimeMessage(t)), seconds(0));
    EXPECT_EQ(local.Warnings(seconds(0)),
              (std::vector<std::string>{"local time received: the clock adds its offset to it",
                                        "no display rules received yet"}));
}

}  // namespace
}  // namespace corvantis
