// Which device the port name "COM"n stands for on this PC.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "platform/serial_port.h"

namespace corvantis {

// "COM" followed by n in decimal, without blanks or leading zeros ("COM1", "COM16").
std::string ComName(int n);

// One entry of the [Ports] settings section: port n is to mean `device`.
struct PortOverride {
    int number;
    std::string device;
};

// Reads one key/value pair of the [Ports] section, such as key "COM5" and value
// "/dev/serial/by-id/usb-FTDI_...-if00-port0". The key is "COM" (any letter case) and a
// number 1-16 without sign, blanks or leading zeros; blanks around the value are dropped.
// An empty value is accepted and means "back to the default device". Returns nothing for any
// other key.
std::optional<PortOverride> ParsePortOverride(std::string_view key, std::string_view value);

// The table from port number to device path: a default for the system plus any entries
// overridden by the settings or by a test. Numbers outside 1-16 have no device.
class PortMap {
public:
    // Linux: COM1-COM4 are /dev/ttyS0-3 (on-board UARTs), COM5-COM12 are /dev/ttyUSB0-7
    // (USB adapters), COM13-COM16 are /dev/ttyACM0-3 (USB modem-class adapters).
    static PortMap LinuxDefaults();
    // Windows: "COM"n is the device "\\.\COMn", which also reaches COM10 and above.
    static PortMap WindowsDefaults();
    // The defaults of the system the program was built for.
    static PortMap SystemDefaults();

    // The device path for "COM"n; nothing for n outside 1-16.
    std::optional<std::string> Device(int n) const;

    // Makes "COM"n mean `device`; an empty `device` restores the default. Returns false (and
    // changes nothing) for n outside 1-16.
    bool SetOverride(int n, std::string device);
    // ParsePortOverride followed by SetOverride. Returns false when the key is not a port.
    bool ApplySetting(std::string_view key, std::string_view value);

private:
    using Table = std::array<std::string, kLastComPort - kFirstComPort + 1>;
    explicit PortMap(Table defaults) : m_defaults(defaults), m_devices(std::move(defaults)) {}

    Table m_defaults;
    Table m_devices;
};

}  // namespace corvantis
