// The rule check as the operator meets it: the stored rules as the tick would encode them,
// and the report and warning line against a zone made in the test.
#include "program/rule_check_report.h"

#include "transmit/transmission_tick.h"

#include <gtest/gtest.h>

#include "program/standing_warnings.h"
#include "settings/settings_handlers.h"
#include "support/fakes.h"
#include "support/started_window.h"

namespace corvantis {
namespace {

// A zone of fixed offset changes.
class ListedZone : public TimeZone {
public:
    explicit ListedZone(std::vector<OffsetChange> changes) : m_changes(std::move(changes)) {}
    std::string Name() const override { return "Test/Zone"; }
    std::vector<OffsetChange> OffsetsBetween(std::int64_t from, std::int64_t to) const override {
        std::vector<OffsetChange> result{{from, m_changes.front().offsetMinutes}};
        for (const OffsetChange& change : m_changes) {
            if (change.at <= from) {
                result.front().offsetMinutes = change.offsetMinutes;
            } else if (change.at < to) {
                result.push_back(change);
            }
        }
        return result;
    }

private:
    std::vector<OffsetChange> m_changes;
};

std::int64_t Utc(int y, int mo, int d, int h = 0) {
    return ToEpochSeconds({y, mo, d, h, 0, 0});
}

TEST(RuleCheckReportTest, StoredFieldsAreTheTicksEncodingOfWhatStartUpRestores) {
    struct Row {
        std::vector<std::pair<const char*, const char*>> stored;  // data.ini key, value
        DisplayRuleFields fields;
    };
    const Row rows[] = {
        {{}, {" -6", " 0", " 327", "1117", " 2", " 0"}},  // the defaults
        {{{"TZhouroffset", "23"}, {"DSTstartDOM", "15"}, {"LeapSec", "77"}},
         {" -0", " 1", "2315", "1117", " 2", "77"}},
        {{{"DSTenabled", "0"}, {"TZhouroffset", "50"}}, {" 12", " 2", "   0", "   0", " 0", " 0"}},
        // Values start-up refuses leave the design's state: no selection, offset "0".
        {{{"TZhouroffset", "51"}, {"DSTstartMon", "12"}, {"DSThour", "x"}},
         {"  0", " 0", " 027", "1117", "-1", " 0"}},
    };
    for (const Row& row : rows) {
        testing::FakePlatform fake;
        for (const auto& [key, value] : row.stored) {
            fake.profile.WriteString("CommMethod", key, value, testing::kFakeDataIni);
        }
        const DisplayRuleFields fields = StoredDisplayRuleFields(fake.settings);
        EXPECT_EQ(fields.tzHours, row.fields.tzHours);
        EXPECT_EQ(fields.tzHalf, row.fields.tzHalf);
        EXPECT_EQ(fields.dstStart, row.fields.dstStart);
        EXPECT_EQ(fields.dstEnd, row.fields.dstEnd);
        EXPECT_EQ(fields.dstHour, row.fields.dstHour);
        EXPECT_EQ(fields.leapYear, row.fields.leapYear);
    }
}

TEST(RuleCheckReportTest, ReportAndWarning) {
    const DisplayRuleFields defaults{" -6", " 0", " 327", "1117", " 2", " 0"};
    // Chicago in 2027: 08:00 UTC on 14 March, 07:00 UTC on 7 November.
    const ListedZone chicago({{0, -360}, {Utc(2027, 3, 14, 8), -300}, {Utc(2027, 11, 7, 7), -360}});
    const RuleCheckResult agree = CheckRules(defaults, chicago, Utc(2027, 1, 1), 1);
    EXPECT_TRUE(agree.agree);
    EXPECT_EQ(agree.warning, "");
    EXPECT_EQ(agree.report,
              "Display rules: UTC-6, daylight saving from the second Sunday of March to the "
              "first Sunday of November at 02:00\n"
              "This PC's time zone: Test/Zone\n"
              "The clocks agree with this PC from 31 December 2026 for 1 year.\n");

    // The same zone a week late in spring.
    const ListedZone late({{0, -360}, {Utc(2027, 3, 21, 8), -300}, {Utc(2027, 11, 7, 7), -360}});
    const RuleCheckResult disagree = CheckRules(defaults, late, Utc(2027, 1, 1), 1);
    EXPECT_FALSE(disagree.agree);
    EXPECT_EQ(disagree.warning,
              "Clocks will show 1 hour ahead of this PC from 14 March 2027 to 21 March 2027: "
              "the display rules do not match this PC's time zone Test/Zone.");
    EXPECT_NE(disagree.report.find("The display rules closest to this PC's time zone: UTC-6, "
                                   "daylight saving from the third Sunday of March to the first "
                                   "Sunday of November at 02:00\n"),
              std::string::npos)
        << disagree.report;

    // Fields a clock refuses are not compared.
    const RuleCheckResult refused =
        CheckRules({" -6", " 0", " 327", "1117", "-1", " 0"}, chicago, Utc(2027, 1, 1), 1);
    EXPECT_FALSE(refused.agree);
    EXPECT_EQ(refused.warning,
              "The clocks would refuse these display rules: change hour -1 is outside 0-23");
}

// The button fills the rule controls from the zone, saves them, and says what it set.
TEST(RuleCheckReportTest, UseThisPcsTimeZoneSetsSavesAndSays) {
    struct Row {
        const char* name;
        std::vector<OffsetChange> zone;
        const char* offsetText;
        int autoDaylightSaving;
        int startIndexes[4];  // startDayOfMonth day, startMonth month, startOccurrence occurrence,
                              // startWeekday weekday
        int endIndexes[4];    // endDayOfMonth, endMonth, endOccurrence, endWeekday
        int hour;
        const char* says;  // the start of the warning line
    };
    const Row rows[] = {
        {"US rules at UTC-6",
         {{0, -360},
          {Utc(2027, 3, 14, 8), -300},
          {Utc(2027, 11, 7, 7), -360},
          {Utc(2028, 3, 12, 8), -300},
          {Utc(2028, 11, 5, 7), -360}},
         "-6",
         1,
         {0, 2, 1, 6},
         {0, 10, 0, 6},
         2,
         "Display rules set from this PC's time zone Test/Zone: UTC-6, daylight saving from "
         "the second Sunday of March"},
        {"European rules at UTC+1",
         {{0, 60}, {Utc(2027, 3, 28, 1), 120}, {Utc(2027, 10, 31, 1), 60}},
         "1",
         1,
         {0, 2, 4, 6},
         {0, 9, 4, 6},
         2,
         "This PC's time zone Test/Zone cannot be expressed by the display rules: it starts "
         "daylight saving at 02:00 standard time and ends it at 03:00 daylight time"},
        {"fixed dates at UTC+3:30",
         {{0, 210},
          {Utc(2027, 3, 21, 23) - 210 * 60 + 3600 * 1, 270},
          {Utc(2027, 9, 21, 23) - 270 * 60 + 3600 * 1, 210},
          {Utc(2028, 3, 21, 23) - 210 * 60 + 3600 * 1, 270},
          {Utc(2028, 9, 21, 23) - 270 * 60 + 3600 * 1, 210}},
         "3.5",
         1,
         {22, 2, 1, 6},
         {22, 8, 0, 6},
         0,
         "Display rules set from this PC's time zone Test/Zone: UTC+3:30, daylight saving "
         "from 22 March to 22 September at 00:00"},
        {"no daylight saving at UTC+5:30",
         {{0, 330}},
         "5.5",
         0,
         {0, 2, 1, 6},
         {0, 10, 0, 6},
         2,
         "Display rules set from this PC's time zone Test/Zone: UTC+5:30, no daylight saving."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        testing::FakePlatform fake;
        Window w;
        testing::FillPickLists(w);
        testing::SelectDefaultRules(w);
        AttachSettingsHandlers(w, fake.settings, fake.dialog, fake.autoRun);
        UseThisPcsTimeZone(w, fake.settings, fake.status, ListedZone(row.zone), Utc(2027, 1, 1));
        EXPECT_EQ(w.zoneOffset.Text(), row.offsetText);
        EXPECT_EQ(w.autoDaylightSaving.Value(), row.autoDaylightSaving);
        const int start[4] = {w.startDayOfMonth.ListIndex(), w.startMonth.ListIndex(),
                              w.startOccurrence.ListIndex(), w.startWeekday.ListIndex()};
        const int end[4] = {w.endDayOfMonth.ListIndex(), w.endMonth.ListIndex(),
                            w.endOccurrence.ListIndex(), w.endWeekday.ListIndex()};
        EXPECT_EQ(std::vector<int>(start, start + 4),
                  std::vector<int>(row.startIndexes, row.startIndexes + 4));
        EXPECT_EQ(std::vector<int>(end, end + 4),
                  std::vector<int>(row.endIndexes, row.endIndexes + 4));
        EXPECT_EQ(w.changeHour.ListIndex(), row.hour);
        ASSERT_EQ(fake.status.warnings.size(), 1u);
        EXPECT_EQ(fake.status.warnings[0].rfind(row.says, 0), 0u) << fake.status.warnings[0];
        // What the controls show is what is stored, and what the clocks are sent.
        const DisplayRuleFields stored = StoredDisplayRuleFields(fake.settings);
        const DisplayRuleFields shown = DisplayRuleFieldsOf(w);
        EXPECT_EQ(stored.tzHours + stored.tzHalf + stored.dstStart + stored.dstEnd + stored.dstHour,
                  shown.tzHours + shown.tzHalf + shown.dstStart + shown.dstEnd + shown.dstHour);
    }
}

// The check runs again after each rule control's own reaction, which has saved it by then.
TEST(RuleCheckReportTest, EveryRuleControlRunsTheCheckAfterItsOwnReaction) {
    testing::FakePlatform fake;
    Window w;
    testing::FillPickLists(w);
    testing::SelectDefaultRules(w);
    AttachSettingsHandlers(w, fake.settings, fake.dialog, fake.autoRun);
    std::vector<std::string> storedAtCheck;
    AfterRuleChanges(w, [&] {
        const std::string* stored =
            fake.profile.Find(testing::kFakeDataIni, "CommMethod", "TZHOUROFFSET");
        storedAtCheck.push_back(stored != nullptr ? *stored : "<absent>");
    });
    w.zoneOffset.OperatorPick(14);
    w.zoneOffset.OperatorLeave();
    EXPECT_EQ(storedAtCheck, std::vector<std::string>{"14"});
    for (ComboBox* list : {&w.endWeekday, &w.endMonth, &w.endOccurrence, &w.startMonth,
                           &w.startWeekday, &w.startOccurrence, &w.changeHour}) {
        list->OperatorLeave();
    }
    w.startDayOfMonth.OperatorPick(3);
    w.endDayOfMonth.OperatorPick(4);
    w.autoDaylightSaving.OperatorClick();
    EXPECT_EQ(storedAtCheck.size(), 11u);
}

// The PC clock's status as a test sets it.
class SetClockSync : public ClockSyncProbe {
public:
    ClockSyncStatus status{true, true, 0.001};
    ClockSyncStatus Read() const override { return status; }
};

// Both standing concerns on their own callbacks: the rules at start and after a rule control
// changes, the PC clock read every minute, each passed on only when its sentence changes.
TEST(StandingWarningsTest, RulesRecheckedOnChangeClockPolledEachMinuteEachOnlyWhenChanged) {
    using namespace std::chrono_literals;
    testing::FakePlatform fake;
    fake.clock.SetLocal(DateTime{2027, 1, 10, 12, 0, 0});
    Window w;
    testing::FillPickLists(w);
    testing::SelectDefaultRules(w);
    const ListedZone noDaylightSaving({{0, -360}});  // UTC-6 all year
    SetClockSync clockSync;
    std::vector<std::string> rules, clock;
    StandingWarnings warnings(
        w, {fake.clock, noDaylightSaving, clockSync}, fake.settings, fake.status, fake.timers,
        [&](const std::string& text) { rules.push_back(text); },
        [&](const std::string& text) { clock.push_back(text); });
    ASSERT_EQ(rules.size(), 1u);
    EXPECT_EQ(rules[0].rfind("Clocks will show 1 hour ahead of this PC from 14 March 2027", 0), 0u)
        << rules[0];
    EXPECT_TRUE(clock.empty()) << "a synchronised clock says nothing";

    w.autoDaylightSaving.OperatorClick();  // daylight saving off: the rules now match
    ASSERT_EQ(rules.size(), 2u);
    EXPECT_EQ(rules[1], "");
    w.autoDaylightSaving.OperatorClick();
    w.autoDaylightSaving
        .OperatorClick();  // off again: no change from the last sentence, nothing passed on
    EXPECT_EQ(rules.size(), 4u);

    clockSync.status = {true, false, std::nullopt};
    fake.timers.RunFor(StandingWarnings::kClockCheckEvery - 1s);
    EXPECT_TRUE(clock.empty()) << "read once a minute";
    fake.timers.RunFor(1s);
    ASSERT_EQ(clock.size(), 1u);
    EXPECT_EQ(clock[0], ClockSyncWarning(clockSync.status));
    fake.timers.RunFor(StandingWarnings::kClockCheckEvery * 3);
    EXPECT_EQ(clock.size(), 1u) << "an unchanged status is not repeated";
}

TEST(StandingWarningsTest, TheWindowsLineShowsBothRulesFirstAndKeepsTheOtherWhenOneClears) {
    testing::FakeStatusLine line;
    CombinedWarningLine combined(line);
    combined.SetRules("Rules differ.");
    combined.SetClockSync("Clock not synchronised.");
    combined.SetRules("");
    EXPECT_EQ(line.warnings,
              (std::vector<std::string>{"Rules differ.", "Rules differ. Clock not synchronised.",
                                        "Clock not synchronised."}));
}

}  // namespace
}  // namespace corvantis
