#include "program/window_fit.h"

#include <algorithm>
#include <charconv>
#include <string>

namespace corvantis {
namespace {

constexpr const char* kSection = "Window";
constexpr int kFarthest = 100000;  // beyond any screen: a place stored by mistake

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

std::optional<int> WholeNumber(const std::string& text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < -kFarthest ||
        value > kFarthest) {
        return std::nullopt;
    }
    return value;
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

std::optional<ScreenPoint> ReadWindowPlace(SettingsFiles& settings) {
    const std::string file = settings.PathOf(kCorvantisIni);
    const auto left = WholeNumber(ReadIni(settings, kSection, "left", "", file));
    const auto top = WholeNumber(ReadIni(settings, kSection, "top", "", file));
    if (!left || !top) {
        return std::nullopt;
    }
    return ScreenPoint{*left, *top};
}

void StoreWindowPlace(SettingsFiles& settings, ScreenPoint place) {
    const std::string file = settings.PathOf(kCorvantisIni);
    WriteIni(settings, kSection, "left", std::to_string(place.x), file);
    WriteIni(settings, kSection, "top", std::to_string(place.y), file);
}

RememberedWindowPlace::RememberedWindowPlace(SettingsFiles& settings,
                                             std::function<ScreenPoint()> place,
                                             const std::function<void(ScreenPoint)>& placeAt)
    : m_settings(settings), m_place(std::move(place)) {
    if (const auto stored = ReadWindowPlace(settings)) {
        placeAt(*stored);
    }
    m_opened = m_place();
}

void RememberedWindowPlace::StoreIfMoved() {
    if (m_place() != m_opened) {
        StoreWindowPlace(m_settings, m_place());
    }
}

}  // namespace corvantis
