#include "ui/qt/qt_event_wait.h"

#include <QCoreApplication>

#include <chrono>
#include <thread>

namespace corvantis {

std::uint32_t QtEventWait::TickCount() {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

std::int32_t QtEventWait::Wait(std::uint32_t /*count*/, const std::int32_t* /*handles*/,
                               std::int32_t timeoutMs) {
    const auto end =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs > 0 ? timeoutMs : 0);
    // sleep_until may wake early on a signal; sleep again until the time has run out.
    while (std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_until(end);
    }
    return kWaitTimeout;
}

void QtEventWait::ProcessPendingEvents() {
    QCoreApplication::processEvents();
}

}  // namespace corvantis
