// A serial port that passes every operation to another one: the base of ports that add one
// concern (logging, reconnecting) to a real port and leave the rest alone.
#pragma once

#include "platform/serial_port.h"

namespace corvantis {

class ForwardingSerialPort : public SerialPort {
public:
    // `port` must outlive this object. Its open changes are relayed to this port's listener
    // through OnOpenChanged.
    explicit ForwardingSerialPort(SerialPort& port)
        : m_port(port),
          m_listener(m_port.AddOpenListener([this](bool open) { OnOpenChanged(open); })) {}
    ~ForwardingSerialPort() override { m_port.RemoveOpenListener(m_listener); }
    ForwardingSerialPort(const ForwardingSerialPort&) = delete;
    ForwardingSerialPort& operator=(const ForwardingSerialPort&) = delete;

    void SetCommPort(std::int16_t number) override { m_port.SetCommPort(number); }
    std::int16_t CommPort() const override { return m_port.CommPort(); }
    void SetSettings(const std::string& settings) override { m_port.SetSettings(settings); }
    std::string Settings() const override { return m_port.Settings(); }
    bool PortOpen() const override { return m_port.PortOpen(); }
    void SetPortOpen(bool open) override { m_port.SetPortOpen(open); }
    int InBufferCount() override { return m_port.InBufferCount(); }
    void SetInBufferCount(int count) override { m_port.SetInBufferCount(count); }
    void SetInputLen(std::int16_t length) override { m_port.SetInputLen(length); }
    std::string Input() override { return m_port.Input(); }
    void Output(std::string_view text) override { m_port.Output(text); }

protected:
    SerialPort& Inner() { return m_port; }
    const SerialPort& Inner() const { return m_port; }
    // Called when the inner port opens or closes; by default tells this port's listener.
    virtual void OnOpenChanged(bool open) { NotifyOpenChanged(open); }

private:
    SerialPort& m_port;
    int m_listener;
};

}  // namespace corvantis
