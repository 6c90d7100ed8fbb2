// What the window needs of the toolkit around it: showing itself, the notification-area
// icon, and ending the program.
#pragma once

namespace corvantis {

class WindowHost {
public:
    virtual ~WindowHost() = default;

    // Makes the window visible (a no-op without a display).
    virtual void ShowWindow() = 0;
    // Removes the notification-area icon; harmless when there is none.
    virtual void RemoveNotifyIcon() = 0;
    // Unloads the window: its controls and the port object go with it. Asking again while
    // the window is unloading has no further effect.
    virtual void UnloadWindow() = 0;
    // Ends the program at once: no further timer ticks or events are handled.
    virtual void EndProgram() = 0;
    // Converts a mouse X coordinate in the window's scale unit to pixels.
    virtual double XToPixels(double x) const { return x; }
};

}  // namespace corvantis
