// The one rule both views follow to fit the window to its screen, and the place remembered.
#include "program/window_fit.h"

#include <gtest/gtest.h>

#include "support/fakes.h"

namespace corvantis {
namespace {

// A window whose size follows its font step: `full` at 100 %.
std::function<ScreenSize(int)> Scaling(ScreenSize full, std::vector<int>& measured) {
    return [full, &measured](int step) {
        measured.push_back(step);
        return ScreenSize{full.width * step / 100, full.height * step / 100};
    };
}

TEST(WindowFitTest, TheLargestFontStepThatFitsIsTaken) {
    const struct {
        const char* why;
        ScreenSize full;
        ScreenSize available;
        int step;
        std::vector<int> measured;
    } rows[] = {
        {"fits at full size", {700, 500}, {1280, 720}, 100, {100}},
        {"one step too tall", {1000, 760}, {1366, 728}, 90, {100, 90}},
        {"exactly fits", {1000, 700}, {1000, 700}, 100, {100}},
        {"too wide only", {1500, 400}, {1280, 720}, 80, {100, 90, 80}},
        {"fits nowhere: the smallest",
         {5000, 5000},
         {1280, 720},
         45,
         {100, 90, 80, 70, 60, 50, 45}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.why);
        std::vector<int> measured;
        EXPECT_EQ(FittingFontStep(Scaling(row.full, measured), row.available), row.step);
        EXPECT_EQ(measured, row.measured) << "the last step measured is the one chosen";
    }
}

TEST(WindowFitTest, TheWindowGoesInsideTheWorkAreaItOverlapsMost) {
    const std::vector<ScreenRect> two{{0, 40, 1366, 768}, {-1920, 0, 0, 1080}};
    const ScreenSize size{800, 600};
    const struct {
        const char* why;
        ScreenPoint wanted;
        ScreenPoint placed;
    } rows[] = {
        {"inside the primary area", {100, 100}, {100, 100}},
        {"above the taskbar-free top", {100, 0}, {100, 40}},
        {"across the right edge", {900, 100}, {566, 100}},
        {"mostly on the left monitor", {-700, 200}, {-800, 200}},
        {"on the left monitor", {-1900, 50}, {-1900, 50}},
        {"its monitor gone", {4000, 3000}, {566, 168}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.why);
        EXPECT_EQ(PlaceWindow(row.wanted, size, two), row.placed);
    }
    EXPECT_EQ(PlaceWindow({10, 10}, {2000, 900}, two), (ScreenPoint{0, 40}))
        << "larger than the area: the top-left corner in sight";
    EXPECT_EQ(PlaceWindow({-5, 7}, size, {}), (ScreenPoint{-5, 7})) << "no work area known";
}

TEST(WindowFitTest, ThePlaceIsRememberedInASectionOfItsOwn) {
    testing::FakePlatform fake;
    EXPECT_FALSE(ReadWindowPlace(fake.settings).has_value()) << "nothing stored yet";
    StoreWindowPlace(fake.settings, {-1500, 230});
    EXPECT_EQ(*fake.profile.Find(testing::kFakeCorvantisIni, "Window", "LEFT"), "-1500");
    EXPECT_EQ(*fake.profile.Find(testing::kFakeCorvantisIni, "Window", "TOP"), "230");
    EXPECT_EQ(ReadWindowPlace(fake.settings), (ScreenPoint{-1500, 230}));
    for (const char* unreadable : {"", "12px", "abc", "999999", "1.5"}) {
        fake.profile.WriteString("Window", "LEFT", unreadable, testing::kFakeCorvantisIni);
        EXPECT_FALSE(ReadWindowPlace(fake.settings).has_value()) << unreadable;
    }
}

}  // namespace
}  // namespace corvantis
