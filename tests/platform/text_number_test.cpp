#include "platform/text_number.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "platform/failure.h"

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
        try {
            ToInteger16(bad);
            ADD_FAILURE() << '"' << bad << "\" accepted";
        } catch (const Failure& failure) {
            EXPECT_EQ(failure.number(), error::kTypeMismatch) << bad;
        }
    }
    try {
        ToInteger16("40000");
        ADD_FAILURE() << "40000 accepted";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.number(), error::kOverflow);
    }
}

}  // namespace
}  // namespace corvantis

namespace corvantis {
namespace {

TEST(TextNumberTest, ThePointIsTheDecimalMarkWhateverTheLocale) {
    // A program may run under a locale whose decimal mark is a comma.
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous != nullptr ? previous : "C";
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "no de_DE locale on this machine";
    }
    EXPECT_DOUBLE_EQ(LeadingNumber("-11.5"), -11.5);
    EXPECT_EQ(ToInteger16("2.5"), 2);
    std::setlocale(LC_NUMERIC, saved.c_str());
}

}  // namespace
}  // namespace corvantis
