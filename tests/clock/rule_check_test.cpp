// The rule check against the C library's zones: zones that agree, disagree by a week or by an
// hour, and cannot be expressed; the rules filled from a zone; and, over several zones and
// years, every disagreement found instant by instant is one the check reports.
#include "protocol/rule_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "clock/clock_group.h"
#include "platform/posix/posix_time_zone.h"
#include "protocol/daylight_saving.h"
#include "protocol/messages.h"

namespace corvantis {
namespace {

ChangeRule Weekday(int month, int occurrence, int weekday) {
    return {ChangeRule::Form::Weekday, month, occurrence, weekday, 0};
}

std::int64_t Utc(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return ToEpochSeconds({y, mo, d, h, mi, s});
}

// The window's defaults: UTC-6, second Sunday of March to first Sunday of November at 02:00.
const DisplayRules kDefaults{-360, true, Weekday(3, 2, 7), Weekday(11, 1, 7), 2, 0};

const std::int64_t kFrom = Utc(2027, 1, 1);
const std::int64_t kFiveYears = Utc(2032, 1, 1);

std::vector<OffsetChange> Offsets(const std::string& zone, std::int64_t from = kFrom,
                                  std::int64_t to = kFiveYears) {
    return posix::PosixTimeZone(zone).OffsetsBetween(from, to);
}

std::vector<std::string> InWords(const std::vector<RuleDifference>& differences,
                                 const std::vector<OffsetChange>& pc) {
    std::vector<std::string> words;
    for (const RuleDifference& difference : differences) {
        words.push_back(DifferenceInWords(difference, pc));
    }
    return words;
}

TEST(RuleCheckTest, ZonesAgainstTheDefaultRules) {
    struct Row {
        const char* zone;
        std::vector<std::string> differences;  // the first two, in words
        std::size_t count;
    };
    const Row rows[] = {
        {"America/Chicago", {}, 0},
        // Old US rules: first Sunday of April to last Sunday of October.
        {"CST6CDT,M4.1.0,M10.5.0",
         {"Clocks will show 1 hour ahead of this PC from 14 March 2027 to 4 April 2027",
          "Clocks will show 1 hour ahead of this PC from 31 October 2027 to 7 November 2027"},
         10},
        // One hour east: behind all the time, and by two hours for the hour between the
        // PC's spring change and the clocks'.
        {"America/New_York",
         {"Clocks will show 1 hour behind this PC from 31 December 2026 to 14 March 2027",
          "Clocks will show 2 hours behind this PC on 14 March 2027 from 03:00 to 04:00"},
         16},
        // The same rules at the wrong offset (UTC+1): seven hours, eight on the spring night.
        {"CET-1CEST,M3.2.0,M11.1.0",
         {"Clocks will show 7 hours behind this PC from 1 January 2027 to 14 March 2027",
          "Clocks will show 8 hours behind this PC on 14 March 2027 from 03:00 to 10:00"},
         21},
    };
    for (const Row& row : rows) {
        const auto pc = Offsets(row.zone);
        const auto differences = CompareRules(kDefaults, pc, kFiveYears);
        EXPECT_EQ(differences.size(), row.count) << row.zone;
        auto words = InWords(differences, pc);
        words.resize(std::min(words.size(), row.differences.size()));
        EXPECT_EQ(words, row.differences) << row.zone;
    }
}

TEST(RuleCheckTest, AnEndAtAnotherHourIsOneHourOnOneNight) {
    // Central European rules at UTC+1 with the clocks' one change hour 02:00.
    const DisplayRules berlin{60, true, Weekday(3, 5, 7), Weekday(10, 5, 7), 2, 0};
    const auto pc = Offsets("Europe/Berlin", Utc(2027, 1, 1), Utc(2028, 1, 1));
    EXPECT_EQ(InWords(CompareRules(berlin, pc, Utc(2028, 1, 1)), pc),
              std::vector<std::string>{"Clocks will show 1 hour behind this PC on 31 October "
                                       "2027 from 02:00 to 03:00"});
}

TEST(RuleCheckTest, RulesFromZones) {
    struct Row {
        const char* zone;
        DisplayRules rules;
        const char* reason;  // part of the first reason; empty: expressible
    };
    const Row rows[] = {
        {"America/Chicago", kDefaults, ""},
        {"Asia/Kolkata", {330, false, {}, {}, 0, 0}, ""},
        {"Europe/Berlin",
         {60, true, Weekday(3, 5, 7), Weekday(10, 5, 7), 2, 0},
         "starts daylight saving at 02:00 standard time and ends it at 03:00 daylight time"},
        {"Australia/Sydney",
         {600, true, Weekday(10, 1, 7), Weekday(4, 1, 7), 2, 0},
         "ends it at 03:00 daylight time"},
        {"Pacific/Auckland",
         {720, true, Weekday(9, 5, 7), Weekday(4, 1, 7), 2, 0},
         "ends it at 03:00 daylight time"},
        {"Australia/Lord_Howe",
         {630, true, Weekday(10, 1, 7), Weekday(4, 1, 7), 2, 0},
         "moves the time by 30 minutes, and the clocks move by 1 hour"},
    };
    for (const Row& row : rows) {
        const ZoneRules zone = RulesFromZone(Offsets(row.zone));
        EXPECT_EQ(zone.rules, row.rules) << row.zone << ": " << RulesInWords(zone.rules);
        if (*row.reason == '\0') {
            EXPECT_TRUE(zone.notExpressible.empty())
                << row.zone << ": " << zone.notExpressible.front();
        } else {
            ASSERT_FALSE(zone.notExpressible.empty()) << row.zone;
            EXPECT_NE(zone.notExpressible.front().find(row.reason), std::string::npos)
                << zone.notExpressible.front();
        }
    }
}

// Offset tables no zone of the C library needs to have: each reason the rules fall short,
// with the closest rules still filled in.
TEST(RuleCheckTest, RulesFromOffsetTablesTheClocksCannotFollow) {
    const std::int64_t start27 = Utc(2027, 3, 28, 1);  // 02:00 standard time at UTC+1
    const std::int64_t end27 = Utc(2027, 10, 31, 1);   // 03:00 daylight time at UTC+2
    struct Row {
        const char* name;
        std::vector<OffsetChange> pc;
        int offsetMinutes;
        bool daylightSaving;
        const char* reason;  // part of one of the reasons
    };
    const Row rows[] = {
        // Offsets off the half-hour list are cut towards zero, and held to -12..+13 hours.
        {"quarter hour", {{kFrom, 345}}, 330, false, "is not in the list"},
        {"beyond +13 hours", {{kFrom, 840}}, 780, false, "is not in the list"},
        {"beyond -12 hours", {{kFrom, -750}}, -720, false, "is not in the list"},
        {"a start without an end",
         {{kFrom, 60}, {start27, 120}},
         60,
         false,
         "does not both start and end daylight saving"},
        {"changes at half past",
         {{kFrom, 60}, {start27 + 1800, 120}, {end27 - 1800, 60}},
         60,
         true,
         "not on a whole hour"},
        {"a start date that moves by no rule",
         {{kFrom, 60}, {start27, 120}, {end27, 60}, {Utc(2028, 3, 1, 1), 120}},
         60,
         true,
         "follow no single rule"},
        {"three offsets",
         {{kFrom, 60}, {start27, 120}, {end27, 60}, {Utc(2028, 3, 26, 1), 180}},
         60,
         true,
         "more than two values"},
        {"a two-hour shift",
         {{kFrom, 60}, {start27, 180}, {end27 - 3600, 60}},
         60,
         true,
         "moves the time by 2 hours"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const ZoneRules zone = RulesFromZone(row.pc);
        EXPECT_EQ(zone.rules.offsetMinutes, row.offsetMinutes);
        EXPECT_EQ(zone.rules.daylightSaving, row.daylightSaving);
        const bool named = std::any_of(zone.notExpressible.begin(), zone.notExpressible.end(),
                                       [&](const std::string& reason) {
                                           return reason.find(row.reason) != std::string::npos;
                                       });
        EXPECT_TRUE(named) << (zone.notExpressible.empty() ? "no reason"
                                                           : zone.notExpressible.front());
    }
}

// Instant by instant (every 15 minutes, and one second either side of every change of either
// side) the clocks' offset against the zone's: each disagreement lies in a reported span of
// the same size, and each reported span disagrees.
TEST(RuleCheckPropertyTest, EveryDisagreementIsReported) {
    const char* zones[] = {"America/Chicago",  "Europe/Berlin",       "Australia/Sydney",
                           "Pacific/Auckland", "Australia/Lord_Howe", "Asia/Kolkata"};
    for (const char* zone : zones) {
        const auto pc = Offsets(zone, Utc(2026, 6, 1), Utc(2029, 6, 1));
        for (const DisplayRules& rules : {kDefaults, RulesFromZone(pc).rules}) {
            const auto differences = CompareRules(rules, pc, Utc(2029, 6, 1));
            std::vector<std::int64_t> instants;
            for (std::int64_t t = Utc(2026, 6, 1); t < Utc(2029, 6, 1); t += 900) {
                instants.push_back(t);
            }
            for (const OffsetChange& change : pc) {
                instants.insert(instants.end(), {change.at - 1, change.at, change.at + 1});
            }
            for (int year = 2026; year <= 2029; ++year) {
                const ChangeInstants changes = DaylightSavingChanges(rules, year);
                for (std::int64_t at : {changes.start, changes.end}) {
                    instants.insert(instants.end(), {at - 1, at, at + 1});
                }
            }
            for (std::int64_t t : instants) {
                if (t < Utc(2026, 6, 1) || t >= Utc(2029, 6, 1)) {
                    continue;
                }
                const int minutes = ShownOffsetMinutes(rules, t) - OffsetAt(pc, t);
                int reported = 0;
                for (const RuleDifference& d : differences) {
                    if (t >= d.from && t < d.to) {
                        reported = d.minutes;
                    }
                }
                ASSERT_EQ(reported, minutes)
                    << zone << " with " << RulesInWords(rules) << " at "
                    << TimeText(FromEpochSeconds(t)) << " " << DateText(FromEpochSeconds(t));
            }
        }
    }
}

TEST(RuleCheckTest, DurationsInWords) {
    EXPECT_EQ(DurationInWords(60), "1 hour");
    EXPECT_EQ(DurationInWords(-120), "2 hours");
    EXPECT_EQ(DurationInWords(30), "30 minutes");
    EXPECT_EQ(DurationInWords(90), "1 hour 30 minutes");
}

// The rules as the window's lists would hold them, encoded as the tick encodes them.
DisplayRuleFields FieldsOf(const DisplayRules& rules) {
    char offset[16];
    std::snprintf(offset, sizeof offset, "%g", rules.offsetMinutes / 60.0);
    DaylightSavingSelection s;
    s.autoDaylightSaving = rules.daylightSaving ? 1 : 0;
    auto select = [](const ChangeRule& rule, int& day, int& month, int& occurrence, int& weekday) {
        const bool fixed = rule.form == ChangeRule::Form::FixedDate;
        day = fixed ? rule.day : 0;
        month = rule.month - 1;
        occurrence = rule.occurrence - 1;
        weekday = rule.weekday - 1;
    };
    select(rules.start, s.startDay, s.startMonth, s.startOccurrence, s.startWeekday);
    select(rules.end, s.endDay, s.endMonth, s.endOccurrence, s.endWeekday);
    s.changeHour = rules.changeHour;
    const OffsetFields o = EncodeOffset(offset);
    const DaylightSavingFields d = EncodeDaylightSaving(s);
    return {o.tzHours, o.tzHalf, d.dstStart, d.dstEnd, d.dstHour, EncodeLeapYear(0)};
}

// A scripted run in virtual time over the wire: the rules "Use this PC's time zone" gives (and
// the defaults) go out as a rules message, the time as time-only messages one second before,
// at and after every change of either side and every six hours between; the clock's shown
// time is compared with the PC's local time, and every disagreement is one the check reports.
TEST(RuleCheckPropertyTest, OverTheWireTheClockShowsThePcsTimeWhereTheCheckSaysItDoes) {
    const char* zones[] = {"America/Chicago", "Europe/Berlin", "Asia/Kolkata", "Pacific/Auckland",
                           "Australia/Lord_Howe"};
    const std::int64_t from = Utc(2027, 1, 1);
    const std::int64_t to = Utc(2029, 1, 1);
    for (const char* zone : zones) {
        const auto pc = Offsets(zone, from, to);
        for (const DisplayRules& rules : {RulesFromZone(pc).rules, kDefaults}) {
            SCOPED_TRACE(std::string(zone) + " with " + RulesInWords(rules));
            const auto differences = CompareRules(rules, pc, to);
            std::vector<std::int64_t> instants;
            for (std::int64_t t = from; t < to; t += 6 * 3600) {
                instants.push_back(t);
            }
            for (const OffsetChange& change : pc) {
                instants.insert(instants.end(), {change.at - 1, change.at, change.at + 1});
            }
            for (int year = 2027; year <= 2028; ++year) {
                const ChangeInstants changes = DaylightSavingChanges(rules, year);
                instants.insert(instants.end(),
                                {changes.start - 1, changes.start, changes.end - 1, changes.end});
            }
            std::sort(instants.begin(), instants.end());
            ClockGroup group({1}, false);
            const DisplayRuleFields fields = FieldsOf(rules);
            group.Receive(RulesMessage(FromEpochSeconds(from), fields), std::chrono::seconds(0));
            ASSERT_EQ(group.Clocks().front().Rules(), rules);
            std::chrono::seconds at(0);
            for (std::int64_t t : instants) {
                if (t < from || t >= to) {
                    continue;
                }
                at += std::chrono::seconds(1);
                group.Receive(TimeOnlyMessage(FromEpochSeconds(t)), at);
                const DateTime shown = group.Clocks().front().Shown(at)->time;
                const DateTime local = FromEpochSeconds(t + OffsetAt(pc, t) * 60LL);
                const int minutes =
                    static_cast<int>((ToEpochSeconds(shown) - ToEpochSeconds(local)) / 60);
                int reported = 0;
                for (const RuleDifference& d : differences) {
                    if (t >= d.from && t < d.to) {
                        reported = d.minutes;
                    }
                }
                ASSERT_EQ(minutes, reported) << DateText(FromEpochSeconds(t)) << " "
                                             << TimeText(FromEpochSeconds(t)) << " UTC";
            }
        }
    }
}

}  // namespace
}  // namespace corvantis
