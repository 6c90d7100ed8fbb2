// Timers on the Qt event loop.
#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <vector>

#include "platform/timer_service.h"

class QWidget;

namespace corvantis {

class QtSerialPort;

// Unaligned timers are precise QTimers (first tick one interval after Start). Aligned timers
// are phase-locked to the PC's wall clock (see qt_aligned_timer.h). Ticks run on the thread
// that created the timer, which must run a Qt event loop.
//
// Once told the window and the port (FollowWindow, FollowPort), the window's timer controls
// wake only where their ticks can act:
// - "SendUDP" acts at most once per second of the PC clock, on its first tick in it: it ticks
//   just after each whole second of the wall clock.
// - "Timer1" shows the PC time and polls the port for a reply: it ticks just after each whole
//   second while the window is shown (not hidden, not minimised), and whenever characters
//   reach the port, shown or not.
// - "Timer2" ticks just after each whole second, with the two above.
// Every other timer, and all of them before both are told, is CreateTimer's; of those, one
// started aligned with an interval of one second ticks on the whole seconds too. The timers on
// whole seconds share one system timer, hence one wake a second, and tick in the order they
// joined (the transmission first).
class QtTimerService : public TimerService {
public:
    QtTimerService();
    ~QtTimerService() override;
    QtTimerService(const QtTimerService&) = delete;
    QtTimerService& operator=(const QtTimerService&) = delete;

    std::unique_ptr<PlatformTimer> CreateTimer(std::function<void()> onTick) override;
    std::unique_ptr<PlatformTimer> CreateTimerFor(const std::string& name,
                                                  std::function<void()> onTick) override;

    // The window whose being shown decides displayTick's ticks; it must outlive the service.
    void FollowWindow(QWidget& window);
    // The port whose arriving characters tick displayTick; it must outlive the service's timers.
    void FollowPort(QtSerialPort& port);

    // Whether the followed window is shown now (and not minimised).
    bool WindowShown() const { return m_shown; }

    class Seconds;

private:
    class Visibility;
    void SetShown(bool shown);

    QtSerialPort* m_port = nullptr;
    std::shared_ptr<Seconds> m_seconds;
    std::unique_ptr<Visibility> m_visibility;
    bool m_shown = false;
    // Told each time the window is shown or hidden.
    std::shared_ptr<std::vector<std::function<void(bool)>>> m_shownListeners =
        std::make_shared<std::vector<std::function<void(bool)>>>();
};

}  // namespace corvantis
