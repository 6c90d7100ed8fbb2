// What every serial port on a real device shares, whatever drives the device: the port number
// checked against the port map, the line settings parsed and put on an open device all or
// nothing, the largest read, and how the port names itself in messages.
#pragma once

#include <cstdint>
#include <string>

#include "platform/line_settings.h"
#include "platform/port_map.h"
#include "platform/serial_port.h"

namespace corvantis {

class DeviceSerialPort : public SerialPort {
public:
    // Refused while open, and for numbers the port map has no device for.
    void SetCommPort(std::int16_t number) override;
    std::int16_t CommPort() const override { return m_commPort; }
    // While open, the new settings go on the device at once; when the device refuses them,
    // the old ones are put back and the text stays as it was.
    void SetSettings(const std::string& settings) override;
    std::string Settings() const override { return m_settingsText; }
    // Refuses negative lengths.
    void SetInputLen(std::int16_t length) override;

protected:
    // `ports` must outlive the object; it is consulted at each SetCommPort and each open.
    explicit DeviceSerialPort(const PortMap& ports);

    // Puts `settings` on the open device; raises port_error::kInvalidSettings when the device
    // refuses any of them.
    virtual void ApplySettings(const LineSettings& settings) = 0;

    // "COM3 (/dev/ttyS2)", or "COM3" when the number has no device of another name.
    std::string PortText(std::int16_t number) const;

    const PortMap& m_ports;
    std::int16_t m_commPort = 1;
    std::string m_settingsText = "9600,n,8,1";
    LineSettings m_settings;
    int m_inputLen = 0;
};

}  // namespace corvantis
