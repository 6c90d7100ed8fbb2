// The one QCoreApplication the Qt tests of a program share, and a way to run its event loop.
#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <chrono>
#include <functional>

namespace corvantis::testing {

inline QCoreApplication& TestApp() {
    static int argc = 1;
    static char name[] = "corvantis-test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

// Runs the event loop until `done` holds or `timeout` passes; returns `done()`.
inline bool RunEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    TestApp();
    const QDeadlineTimer deadline(timeout);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    }
    return done();
}

// Runs the event loop for `duration`.
inline void RunEventsFor(std::chrono::milliseconds duration) {
    RunEventsUntil([] { return false; }, duration);
}

}  // namespace corvantis::testing
