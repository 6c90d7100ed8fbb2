// ProbeComPort on POSIX systems: looks at the device the port map names, without claiming it.
#pragma once

#include "platform/port_map.h"
#include "platform/port_probe.h"

namespace corvantis {

class PosixPortProbe : public PortProbe {
public:
    // `ports` must outlive the probe; overrides made later are seen by later probes.
    explicit PosixPortProbe(const PortMap& ports) : m_ports(ports) {}

    // True when the device of "COM"n can be opened read-only without waiting, is a terminal
    // device and answers a query of its line settings. False for numbers without a device,
    // missing paths, regular files, devices the user may not open or another program holds
    // exclusively, and legacy UART nodes with no UART behind them (the query fails with EIO).
    bool ProbeComPort(std::int16_t n) override;

private:
    const PortMap& m_ports;
};

}  // namespace corvantis
