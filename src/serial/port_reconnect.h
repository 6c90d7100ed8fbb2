// Keeping the clocks' port open across a device that goes away and comes back.
#pragma once

#include <chrono>
#include <memory>

#include "platform/forwarding_serial_port.h"
#include "platform/status_line.h"
#include "platform/timer_service.h"

namespace corvantis {

// A serial port that reopens itself. When the port closes without the program asking (a USB
// adapter pulled, a pseudo-terminal closed), it tries to reopen the same port with the same
// settings, first after kFirstRetry, then at doubling intervals up to kLongestRetry, quietly:
// one warning when the port is lost and one when it is back. The program's own SetPortOpen or
// SetCommPort (a port choice, "Close and Exit") ends the retrying. While it retries, PortOpen
// is false, so nothing is sent; the next even second after the reopening sends again.
class ReconnectingPort : public ForwardingSerialPort {
public:
    static constexpr std::chrono::milliseconds kFirstRetry{500};
    static constexpr std::chrono::milliseconds kLongestRetry{4000};

    // `port`, `timers` and `status` must outlive this object.
    ReconnectingPort(SerialPort& port, TimerService& timers, StatusLine& status);

    void SetCommPort(std::int16_t number) override;
    void SetPortOpen(bool open) override;

    // Whether the port was lost and is being reopened.
    bool Retrying() const { return m_retrying; }

private:
    void OnOpenChanged(bool open) override;
    void Retry();
    void StopRetrying();
    std::string PortName() const;

    StatusLine& m_status;
    std::unique_ptr<PlatformTimer> m_timer;
    std::chrono::milliseconds m_interval = kFirstRetry;
    bool m_wanted = false;    // the program last asked for the port open, and it opened
    bool m_changing = false;  // inside the program's own SetPortOpen
    bool m_retrying = false;
};

}  // namespace corvantis
