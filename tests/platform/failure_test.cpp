#include "platform/failure.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fakes.h"

namespace corvantis {
namespace {

TEST(FailureRulesTest, ReportShowsDescriptionWithTheNumberAsTitleButNever126) {
    testing::FakeMessageDialog dialog;
    int reached = 0;
    EXPECT_FALSE(ReportAndGoOn(dialog, [&] {
        throw Failure(380, "Invalid property value");
        ++reached;
    }));
    EXPECT_FALSE(ReportAndGoOn(dialog, [] { throw Failure(126, "hidden"); }));
    EXPECT_TRUE(ReportAndGoOn(dialog, [&] { ++reached; }));
    ASSERT_EQ(dialog.shown.size(), 1u);
    EXPECT_EQ(dialog.shown[0].text, "Invalid property value");
    EXPECT_EQ(dialog.shown[0].title, "380");
    EXPECT_EQ(dialog.shown[0].icon, MessageIcon::Critical);
    EXPECT_EQ(reached, 1);
}

// On the screen every box is titled "Corvantis"; an error number moves into the text.
TEST(MessageBoxWordsTest, TitledWithTheProgramsNameTheNumberInTheText) {
    const struct {
        const char* text;
        const char* heading;
        const char* shown;
    } rows[] = {
        {"Invalid property value", "380", "Invalid property value (error 380)"},
        {"Port already open", "8005", "Port already open (error 8005)"},
        {"Broken", "-2147024891", "Broken (error -2147024891)"},
        {"Please check your comm settings", "ERROR", "Please check your comm settings"},
        {"cannot read it", "Corvantis", "cannot read it"},
        {"no heading", "", "no heading"},
        {"a minus alone is no number", "-", "a minus alone is no number"},
        {"nor are digits with more", "80x", "nor are digits with more"},
    };
    for (const auto& row : rows) {
        const BoxWords words = BoxWordsFor(row.text, row.heading);
        EXPECT_EQ(words.title, "Corvantis") << row.heading;
        EXPECT_EQ(words.text, row.shown) << row.heading;
    }
}

TEST(FailureRulesTest, SkipSilentlyDropsFailuresButNotOtherExceptions) {
    EXPECT_FALSE(SkipSilently([] { throw Failure(8012, "closed"); }));
    EXPECT_TRUE(SkipSilently([] {}));
    EXPECT_THROW(SkipSilently([] { throw std::logic_error("bug"); }), std::logic_error);
}

// What SkipSilently passes over reaches the tracer (a program's --verbose) with the place of
// the call; without a tracer nothing is said, and the action's result is the same either way.
TEST(FailureRulesTest, SkippedFailuresReachTheTracerWithThePlaceOfTheCall) {
    std::vector<std::string> traced;
    SetSkipTracer([&](const Failure& failure, const CallSite& where) {
        traced.push_back(SkippedLine(failure, where));
    });
    const int line = __LINE__ + 1;
    EXPECT_FALSE(SkipSilently([] { throw Failure(8012, "COM3: Port is not open"); }));
    EXPECT_TRUE(SkipSilently([] {}));
    SetSkipTracer(nullptr);
    EXPECT_FALSE(SkipSilently([] { throw Failure(6, "Overflow"); }));

    ASSERT_EQ(traced.size(), 1u);
    const std::string& text = traced[0];
    EXPECT_EQ(text.rfind("skipped at failure_test.cpp:" + std::to_string(line) + " in ", 0), 0u)
        << text;
    const std::string tail = ": COM3: Port is not open (8012)";
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail) << text;
}

}  // namespace
}  // namespace corvantis
