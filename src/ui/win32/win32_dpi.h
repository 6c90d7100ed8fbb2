// Per-monitor DPI: asking the system for it, and the DPI-aware variants of the few metrics
// the view needs, each falling back to the system-wide value where the system lacks it.
#pragma once

#include <windows.h>

namespace corvantis {

// The DPI awareness the process ended up with.
enum class DpiAwareness { Unaware, System, PerMonitor, PerMonitorV2 };

// Asks for per-monitor awareness version 2, then version 1, then system awareness; keeps
// what the executable's manifest already granted. Call before the first window exists.
DpiAwareness EnablePerMonitorDpiAwareness();

// The DPI the window `window` is shown at (96 is 100 %); the system DPI where the system
// cannot tell per window.
UINT DpiForWindow(HWND window);

// The system's message font (the font dialogs use) at `dpi`.
LOGFONTW MessageFontForDpi(UINT dpi);

// A system metric (SM_CXSMICON, ...) at `dpi`.
int SystemMetricForDpi(int index, UINT dpi);

// The window rectangle that gives `client` its size at `dpi`, for the styles given.
RECT WindowRectForClient(const RECT& client, DWORD style, DWORD exStyle, UINT dpi);

}  // namespace corvantis
