// Whether a COM port exists, asked of the system with CreateFileA.
#pragma once

#include <string>

#include "platform/port_probe.h"

namespace corvantis {

// The device name for port n: "\\.\COM" followed by n in decimal. The device-namespace
// prefix is what lets COM10 and above be opened at all; for COM1 to COM9 it names the same
// device as the plain name.
std::string ComDeviceName(std::int16_t n);

class Win32PortProbe final : public PortProbe {
public:
    // Opens the device for query only (access 0, sharing read and write, OPEN_EXISTING) and
    // closes it at once. False for n below 1.
    bool ProbeComPort(std::int16_t n) override;
};

}  // namespace corvantis
