#include "platform/device_serial_port.h"

#include "platform/failure.h"

namespace corvantis {

DeviceSerialPort::DeviceSerialPort(const PortMap& ports)
    : m_ports(ports), m_settings(ParseLineSettings(m_settingsText)) {}

std::string DeviceSerialPort::PortText(std::int16_t number) const {
    const auto device = m_ports.Device(number);
    if (!device || device->empty() || *device == "\\\\.\\" + ComName(number)) {
        return ComName(number);
    }
    return ComName(number) + " (" + *device + ")";
}

void DeviceSerialPort::SetCommPort(std::int16_t number) {
    if (PortOpen()) {
        throw Failure(port_error::kPortAlreadyOpen,
                      PortText(m_commPort) + " is open; close it before choosing another port.");
    }
    const auto device = m_ports.Device(number);
    if (!device || device->empty()) {
        throw Failure(port_error::kInvalidPortNumber, "There is no port " + ComName(number) +
                                                          ": port numbers run from " +
                                                          std::to_string(kFirstComPort) + " to " +
                                                          std::to_string(kLastComPort) + ".");
    }
    m_commPort = number;
}

void DeviceSerialPort::SetSettings(const std::string& settings) {
    const LineSettings parsed = ParseLineSettings(settings);
    if (PortOpen()) {
        try {
            ApplySettings(parsed);
        } catch (const Failure&) {
            // Leave the device as it was rather than half changed.
            SkipSilently([&] { ApplySettings(m_settings); });
            throw;
        }
    }
    m_settings = parsed;
    m_settingsText = settings;
}

void DeviceSerialPort::SetInputLen(std::int16_t length) {
    if (length < 0) {
        throw Failure(error::kInvalidPropertyValue,
                      "Invalid property value: InputLen must be 0 or more, not " +
                          std::to_string(length) + ".");
    }
    m_inputLen = length;
}

}  // namespace corvantis
