// SIGINT, SIGTERM and SIGHUP (the terminal closed) end the program the way "Close and Exit" does;
// SIGUSR1, sent by a second copy started on the same settings, brings the window forward.
#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <functional>
#include <memory>

namespace corvantis {

// Turns SIGINT, SIGTERM and SIGHUP into a call of `onSignal` on the event loop, and SIGUSR1 into a
// call of `onRaise` when one is given (otherwise SIGUSR1 is ignored, never fatal).
class TerminationSignals : public QObject {
public:
    explicit TerminationSignals(std::function<void()> onSignal, std::function<void()> onRaise = {});
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

private:
    std::function<void()> m_onSignal;
    std::function<void()> m_onRaise;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

}  // namespace corvantis
