// The rule check as the operator meets it: the stored rules as the tick would encode them,
// and the report and warning line against a zone made in the test.
#include "window/rule_check_report.h"

#include <gtest/gtest.h>

#include "support/fakes.h"

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
        const DisplayRuleFields fields = StoredDisplayRuleFields(fake.services);
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

}  // namespace
}  // namespace corvantis
