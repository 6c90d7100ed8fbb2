#include "platform/text_number.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <initializer_list>
#include <string>

#include "platform/failure.h"
#include "support/failure_of.h"

namespace corvantis {
namespace {

TEST(TextNumberTest, LeadingNumberReadsWhatTheTextBeginsWith) {
    struct Row {
        const char* text;
        double value;
    };
    for (const Row& row : std::initializer_list<Row>{
             {"12", 12},
             {"COM", 0},  // no number at all
             {"", 0},
             {" -3.5", -3.5},  // offsets from the time-zone list
             {"12abc", 12},
             {"1 2", 12},  // blanks inside are skipped
             {"0.5", 0.5},
             {"-0.5", -0.5},
             {"+7", 7},
             {"5,5", 5},  // a comma is never a decimal mark
             {"-", 0},
         }) {
        EXPECT_DOUBLE_EQ(LeadingNumber(row.text), row.value) << '"' << row.text << '"';
    }
}

TEST(TextNumberTest, RoundingTakesHalvesToTheEvenNeighbour) {
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(3.5), 4);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(2.6), 3);
}

TEST(TextNumberTest, ToInteger16AcceptsOnlyAWholeNumberText) {
    EXPECT_EQ(ToInteger16("12"), 12);
    EXPECT_EQ(ToInteger16(" 12 "), 12);
    EXPECT_EQ(ToInteger16("-1"), -1);
    EXPECT_EQ(ToInteger16("2.5"), 2);
    EXPECT_EQ(ToInteger16("32767"), 32767);
    for (const char* bad : {"", "  ", "abc", "12abc", "1 2", "-"}) {
        EXPECT_EQ(testing::FailureOf([&] { ToInteger16(bad); }).number(), error::kTypeMismatch)
            << '"' << bad << '"';
    }
    EXPECT_EQ(testing::FailureOf([] { ToInteger16("40000"); }).number(), error::kOverflow);
}

TEST(TextNumberTest, ThePointIsTheDecimalMarkWhateverTheLocaleSays) {
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    // German with its decimal comma, as glibc and then as the Windows C runtime name it.
    bool german = false;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "German_Germany.1252"}) {
        if (std::setlocale(LC_NUMERIC, name) != nullptr) {
            german = true;
            break;
        }
    }
    if (!german) {
        GTEST_SKIP() << "no German locale installed";
    }
    const std::string decimalMark = std::localeconv()->decimal_point;
    const double offset = LeadingNumber("-3.5");
    const double comma = LeadingNumber("5,5");
    std::setlocale(LC_NUMERIC, saved.c_str());
    ASSERT_EQ(decimalMark, ",");
    EXPECT_DOUBLE_EQ(offset, -3.5);
    EXPECT_DOUBLE_EQ(comma, 5);
}

TEST(TextNumberTest, NumbersBeyondTheRangeOfDoubleNeverRaise) {
    const std::string huge(400, '9');
    EXPECT_EQ(LeadingNumber(huge), HUGE_VAL);
    EXPECT_EQ(LeadingNumber("-" + huge), -HUGE_VAL);
    EXPECT_EQ(LeadingNumber("0." + std::string(400, '0') + "1"), 0);
    EXPECT_EQ(testing::FailureOf([&] { ToInteger16(huge); }).number(), error::kOverflow);
}

}  // namespace
}  // namespace corvantis
