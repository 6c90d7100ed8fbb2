// The window's place remembered from one run to the next; how it fits its screen is
// form/screen_fit.h.
#pragma once

#include <functional>
#include <optional>

#include "form/screen_fit.h"
#include "settings/ini.h"

namespace corvantis {

// The window's remembered top-left corner: "LEFT" and "TOP" in the [Window] section of
// Corvantis.ini, a section of its own that no older file or clock setting uses. Absent or
// unreadable (not a whole number within +-100000): none.
std::optional<ScreenPoint> ReadWindowPlace(SettingsFiles& settings);
void StoreWindowPlace(SettingsFiles& settings, ScreenPoint place);

// The window's place across runs: constructed before the window shows, it moves the window to
// where the operator left it last time (the view keeps it inside a screen that is there now);
// StoreIfMoved writes the place back only once the window has moved, so a file stays as it
// was for whoever never moves it.
class RememberedWindowPlace {
public:
    RememberedWindowPlace(SettingsFiles& settings, std::function<ScreenPoint()> place,
                          const std::function<void(ScreenPoint)>& placeAt);
    void StoreIfMoved();

private:
    SettingsFiles& m_settings;
    std::function<ScreenPoint()> m_place;
    ScreenPoint m_opened;
};

}  // namespace corvantis
