#include "platform/failure.h"

#include <gtest/gtest.h>

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

TEST(FailureRulesTest, SkipSilentlyDropsFailuresButNotOtherExceptions) {
    EXPECT_FALSE(SkipSilently([] { throw Failure(8012, "closed"); }));
    EXPECT_TRUE(SkipSilently([] {}));
    EXPECT_THROW(SkipSilently([] { throw std::logic_error("bug"); }), std::logic_error);
}

}  // namespace
}  // namespace corvantis
