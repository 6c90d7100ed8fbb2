#include "platform/device_serial_port.h"

#include <algorithm>
#include <limits>

namespace corvantis {

std::string OpenProblemText(OpenTrouble trouble, const std::string& system) {
    switch (trouble) {
        case OpenTrouble::Absent:
            return "the device does not exist (" + system +
                   "). Check that the adapter is plugged in, or choose another port.";
        case OpenTrouble::NoPermission:
            return "permission denied. Add your user to the \"dialout\" group "
                   "(sudo usermod -aG dialout $USER), then log out and log in again.";
        case OpenTrouble::InUse:
            return "it is in use by another program (" + system +
                   "). Close that program, or choose another port.";
        case OpenTrouble::NotSerial:
            return "it is not a serial port (" + system + ").";
        case OpenTrouble::Other:
            break;
    }
    return system + ".";
}

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

void DeviceSerialPort::RequireOpen(std::string_view operation) const {
    if (!PortOpen()) {
        throw Failure(port_error::kPortNotOpen, "Cannot " + std::string(operation) + " " +
                                                    ComName(m_commPort) +
                                                    ": the port is not open.");
    }
}

std::string DeviceSerialPort::DeviceToOpen() const {
    if (PortOpen()) {
        throw Failure(port_error::kPortAlreadyOpen, PortText(m_commPort) + " is already open.");
    }
    const auto device = m_ports.Device(m_commPort);
    if (!device || device->empty()) {
        throw Failure(port_error::kInvalidPortNumber,
                      "There is no port " + ComName(m_commPort) + " on this computer.");
    }
    return *device;
}

Failure DeviceSerialPort::LostFailure(std::string_view operation, const std::string& reason) const {
    return Failure(port_error::kPortUnavailable,
                   PortText(m_commPort) + " went away while " + std::string(operation) + " it (" +
                       reason + "); the port is closed and reopens by itself once the " +
                       "device is back.");
}

void DeviceSerialPort::Poll() {
    char buffer[kReceiveBufferBytes];
    for (int reads = 0; reads < kMaxDeviceReads && m_received.size() < kReceiveBufferBytes;
         ++reads) {
        const std::size_t got = ReadDevice(buffer, kReceiveBufferBytes - m_received.size());
        if (got == 0) {
            return;
        }
        m_received.append(buffer, got);
    }
}

int DeviceSerialPort::InBufferCount() {
    RequireOpen("count the characters received on");
    Poll();
    ThrowIfLost("reading");
    return static_cast<int>(
        std::min<std::size_t>(m_received.size(), std::numeric_limits<int>::max()));
}

void DeviceSerialPort::SetInBufferCount(int count) {
    RequireOpen("discard the characters received on");
    if (count != 0) {
        throw Failure(error::kInvalidPropertyValue,
                      "Invalid property value: the receive buffer can only be emptied (set to "
                      "0), not set to " +
                          std::to_string(count) + ".");
    }
    Poll();
    ThrowIfLost("emptying the receive buffer of");
    m_received.clear();
    DiscardDeviceInput();
}

std::string DeviceSerialPort::Input() {
    RequireOpen("read from");
    Poll();
    ThrowIfLost("reading");
    const std::size_t take =
        m_inputLen == 0 ? m_received.size()
                        : std::min(m_received.size(), static_cast<std::size_t>(m_inputLen));
    std::string taken = m_received.substr(0, take);
    m_received.erase(0, take);
    return taken;
}

}  // namespace corvantis
