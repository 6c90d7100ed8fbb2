#include "serial/port_reconnect.h"

#include <algorithm>
#include <string>

#include "platform/failure.h"

namespace corvantis {

ReconnectingPort::ReconnectingPort(SerialPort& port, TimerService& timers, StatusLine& status)
    : ForwardingSerialPort(port),
      m_status(status),
      m_timer(timers.CreateTimer([this] { Retry(); })) {}

void ReconnectingPort::SetCommPort(std::int16_t number) {
    StopRetrying();
    Inner().SetCommPort(number);
}

void ReconnectingPort::SetPortOpen(bool open) {
    StopRetrying();
    m_wanted = false;
    m_changing = true;
    try {
        Inner().SetPortOpen(open);
    } catch (const Failure& failure) {
        m_changing = false;
        if (open) {
            m_wasOpen = false;
            m_problem = failure.description();
            StartRetrying(PortName() + " cannot be opened (" + failure.description() +
                          "): not sending; trying it again until it opens");
        }
        throw;
    } catch (...) {
        m_changing = false;
        throw;
    }
    m_changing = false;
    m_wanted = open;
}

void ReconnectingPort::OnOpenChanged(bool open) {
    if (!open && m_wanted && !m_changing && !m_retrying) {
        m_wasOpen = true;
        m_problem = "the device went away";
        StartRetrying(PortName() +
                      " went away (device removed?): not sending until it is back; the port "
                      "reopens by itself when the device is plugged in again");
    }
    NotifyOpenChanged(open);
}

void ReconnectingPort::StartRetrying(const std::string& warning) {
    m_retrying = true;
    m_interval = kFirstRetry;
    m_timer->Start(m_interval, false);
    m_status.ShowWarning(warning);
}

void ReconnectingPort::Retry() {
    if (Inner().PortOpen()) {
        StopRetrying();
        return;
    }
    try {
        Inner().SetPortOpen(true);
    } catch (const Failure&) {
        // Still gone: try again later, less often, never more than kLongestRetry apart.
        m_interval = std::min(m_interval * 2, kLongestRetry);
        m_timer->Start(m_interval, false);
        return;
    }
    StopRetrying();
    m_wanted = true;
    m_status.ShowWarning(PortName() +
                         (m_wasOpen ? " is back: sending again" : " is open: sending"));
}

void ReconnectingPort::StopRetrying() {
    if (m_retrying) {
        m_timer->Stop();
        m_retrying = false;
    }
    m_problem.clear();
}

std::string ReconnectingPort::PortName() const {
    return "COM" + std::to_string(Inner().CommPort());
}

}  // namespace corvantis
