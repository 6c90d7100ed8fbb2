// Keeping the clocks' port open across a device that goes away and comes back.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "platform/forwarding_serial_port.h"
#include "platform/status_line.h"
#include "platform/timer_service.h"

namespace corvantis {

// A serial port that keeps trying until its device can be had. When the port closes without
// the program asking (a USB adapter pulled, a pseudo-terminal closed), or an opening the
// program asked for fails (the device not there yet at start-up, or held by another program),
// it tries to open the same port with the same settings, first after kFirstRetry, then at
// doubling intervals up to kLongestRetry, quietly: one warning when the episode begins (the
// failed opening still raises its failure to the caller) and one when the port is open. The
// program's own SetPortOpen or SetCommPort (a port choice, "Close and Exit") ends the
// retrying. While it retries, PortOpen is false, so nothing is sent; the next even second
// after the opening sends again.
class ReconnectingPort : public ForwardingSerialPort {
public:
    static constexpr std::chrono::milliseconds kFirstRetry{500};
    static constexpr std::chrono::milliseconds kLongestRetry{4000};

    // `port`, `timers` and `status` must outlive this object.
    ReconnectingPort(SerialPort& port, TimerService& timers, StatusLine& status);

    void SetCommPort(std::int16_t number) override;
    void SetPortOpen(bool open) override;

    // Whether the port was lost, or could not be opened, and is being tried again.
    bool Retrying() const { return m_retrying; }
    // While retrying, what began the episode, the same throughout it: the failure of the
    // opening, or "the device went away".
    const std::string& Problem() const { return m_problem; }

private:
    void OnOpenChanged(bool open) override;
    void StartRetrying(const std::string& warning);
    void Retry();
    void StopRetrying();
    std::string PortName() const;

    StatusLine& m_status;
    std::unique_ptr<PlatformTimer> m_timer;
    std::chrono::milliseconds m_interval = kFirstRetry;
    bool m_wanted = false;    // the program last asked for the port open, and it opened
    bool m_changing = false;  // inside the program's own SetPortOpen
    bool m_retrying = false;
    bool m_wasOpen = false;  // the episode began with a loss, not with a failed opening
    std::string m_problem;
};

}  // namespace corvantis
