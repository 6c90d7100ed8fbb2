// The analog faces, offscreen: each hand points where the shown time says, and the picture is
// saved for people to look at.
#include "ui/qt/clock_faces.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>

#include <cmath>
#include <numbers>

#include "protocol/messages.h"

namespace corvantis {
namespace {

using std::chrono::milliseconds;

QApplication& App() {
    static int argc = 1;
    static char name[] = "clock-faces-test";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

// Brightness (0-255) of the pixel at `turns` of a turn and `fraction` of the radius from the
// centre of face `index`.
int BrightnessAt(const QImage& image, int index, double turns, double fraction) {
    constexpr double kFaceWidth = 312, kCentreY = 126, kRadius = 110;
    const double angle = turns * 2 * std::numbers::pi;
    const int x = static_cast<int>(
        std::lround(index * kFaceWidth + kFaceWidth / 2 + std::sin(angle) * kRadius * fraction));
    const int y = static_cast<int>(std::lround(kCentreY - std::cos(angle) * kRadius * fraction));
    return qGray(image.pixel(x, y));
}

TEST(ClockFacesTest, HandsPointAtTheShownTimeAndAPictureIsSaved) {
    App();
    ClockGroup group({1, 7}, false);
    const DisplayRuleFields chicago{" -6", " 0", " 327", "1117", " 2", " 0"};
    const DisplayRuleFields plusOne{"  1", " 0", "   0", "   0", " 0", " 0"};
    // 14:07:04 UTC: clock 1 shows 08:07:04, clock 7 (UTC+1) 15:07:04.
    group.Receive(RulesMessage({2024, 3, 9, 14, 7, 4}, chicago), milliseconds(0));
    group.Receive(AddressedCommand("7", "7", 0, plusOne), milliseconds(0));
    ClockFaces faces(group, [] { return milliseconds(0); });
    faces.resize(faces.sizeHint());
    const QImage image = faces.grab().toImage();

    struct Row {
        int face;
        double hourTurns;  // where the hour hand points
    };
    for (const Row& row : {Row{0, (8 + 7 / 60.0) / 12}, Row{1, (3 + 7 / 60.0) / 12}}) {
        SCOPED_TRACE(row.face);
        EXPECT_LT(BrightnessAt(image, row.face, row.hourTurns, 0.3), 100) << "the hour hand";
        EXPECT_GT(BrightnessAt(image, row.face, row.hourTurns + 0.5, 0.3), 200) << "the dial";
        // The minute hand at 7 minutes past, far out where the hour hand does not reach.
        EXPECT_LT(BrightnessAt(image, row.face, 7.07 / 60, 0.65), 100) << "the minute hand";
    }
    QDir().mkpath(QStringLiteral(CORVANTIS_SCREENSHOT_DIR));
    EXPECT_TRUE(image.save(QStringLiteral(CORVANTIS_SCREENSHOT_DIR "/clock_faces.png")));
}

}  // namespace
}  // namespace corvantis
