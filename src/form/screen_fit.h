// How the window meets its screen, one rule for every view: the font step it is drawn at so
// that it fits its monitor's work area, and the place it takes there.
#pragma once

#include <array>
#include <functional>
#include <vector>

namespace corvantis {

// Sizes and places in the screen's pixels.
struct ScreenSize {
    int width = 0;
    int height = 0;
};
struct ScreenPoint {
    int x = 0;
    int y = 0;
    bool operator==(const ScreenPoint&) const = default;
};
struct ScreenRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

// The font steps the window may be drawn at, in percent of the font the system asks for,
// largest first. A step below 100 is taken only where the window would not fit otherwise:
// every control stays in sight and within reach at the cost of smaller text, and the layout
// (one column of groups beside another, as the operator knows it) stays the same on every
// screen. At 45 % of a 200 % font the text is still nine tenths as large as at 100 %.
inline constexpr std::array<int, 7> kFontSteps{100, 90, 80, 70, 60, 50, 45};

// The largest of kFontSteps at which the window fits `available`: `measure(step)` lays the
// window out at that step and returns its outer size (frame and caption included). Tried
// from the largest step down, stopping at the first that fits; the smallest step when none
// does.
int FittingFontStep(const std::function<ScreenSize(int step)>& measure, ScreenSize available);

// The work area a window of `size` at `at` belongs to: the one it overlaps most, the primary
// one (the first) where it overlaps none. `workAreas` must not be empty.
const ScreenRect& WorkAreaFor(ScreenPoint at, ScreenSize size,
                              const std::vector<ScreenRect>& workAreas);

// The top-left corner for a window of `size` that would go to `wanted`, among `workAreas`
// (the monitors' work areas, the primary one first; none: `wanted` as it is). The window goes
// to the work area it overlaps most; where it overlaps none (its monitor is gone), to the
// primary one. It is moved as little as needed to lie wholly inside that area; a window
// larger than the area keeps its top-left corner (caption and menu) in sight.
ScreenPoint PlaceWindow(ScreenPoint wanted, ScreenSize size,
                        const std::vector<ScreenRect>& workAreas);

// What FitWindow decided: the font step the window is drawn at, and its top-left corner.
struct WindowFit {
    int fontStep = 100;
    ScreenPoint place;
};

// The one rule for fitting the window to its screen. `measure(step)` lays the window out at
// that font step and returns its outer size; `at` and `size` are its place and outer size
// now. The window belongs to the work area it overlaps most (WorkAreaFor); it is drawn at
// the largest step that fits that area (FittingFontStep) and placed inside it
// (PlaceWindow). Without work areas it is drawn at full size where it is. When this
// returns, the window has last been measured at the step chosen.
WindowFit FitWindow(ScreenPoint at, ScreenSize size,
                    const std::function<ScreenSize(int step)>& measure,
                    const std::vector<ScreenRect>& workAreas);

}  // namespace corvantis
