#include "form/screen_fit.h"

#include <algorithm>
#include <limits>

namespace corvantis {
namespace {

long long Overlap(const ScreenRect& area, ScreenPoint at, ScreenSize size) {
    const long long width = std::min(area.right, at.x + size.width) - std::max(area.left, at.x);
    const long long height = std::min(area.bottom, at.y + size.height) - std::max(area.top, at.y);
    return width > 0 && height > 0 ? width * height : 0;
}

// `at` moved as little as needed to keep [at, at + length) inside [low, high); the low edge
// wins where the length does not fit.
int Clamp(int at, int length, int low, int high) {
    return std::max(low, std::min(at, high - length));
}

}  // namespace

int FittingFontStep(const std::function<ScreenSize(int step)>& measure, ScreenSize available) {
    for (int step : kFontSteps) {
        const ScreenSize size = measure(step);
        if (size.width <= available.width && size.height <= available.height) {
            return step;
        }
    }
    return kFontSteps.back();
}

const ScreenRect& WorkAreaFor(ScreenPoint at, ScreenSize size,
                              const std::vector<ScreenRect>& workAreas) {
    const ScreenRect* area = &workAreas.front();
    long long most = 0;
    for (const ScreenRect& candidate : workAreas) {
        const long long overlap = Overlap(candidate, at, size);
        if (overlap > most) {
            most = overlap;
            area = &candidate;
        }
    }
    return *area;
}

ScreenPoint PlaceWindow(ScreenPoint wanted, ScreenSize size,
                        const std::vector<ScreenRect>& workAreas) {
    if (workAreas.empty()) {
        return wanted;
    }
    const ScreenRect& area = WorkAreaFor(wanted, size, workAreas);
    return {Clamp(wanted.x, size.width, area.left, area.right),
            Clamp(wanted.y, size.height, area.top, area.bottom)};
}

WindowFit FitWindow(ScreenPoint at, ScreenSize size,
                    const std::function<ScreenSize(int step)>& measure,
                    const std::vector<ScreenRect>& workAreas) {
    ScreenSize available{std::numeric_limits<int>::max(), std::numeric_limits<int>::max()};
    if (!workAreas.empty()) {
        const ScreenRect& area = WorkAreaFor(at, size, workAreas);
        available = {area.Width(), area.Height()};
    }
    ScreenSize measured = size;
    const int step = FittingFontStep(
        [&](int each) {
            measured = measure(each);
            return measured;
        },
        available);
    return {step, PlaceWindow(at, measured, workAreas)};
}

}  // namespace corvantis
