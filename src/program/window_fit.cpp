#include "program/window_fit.h"

#include <charconv>
#include <string>

namespace corvantis {
namespace {

constexpr const char* kSection = "Window";
constexpr int kFarthest = 100000;  // beyond any screen: a place stored by mistake

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
