// Whether a serial port exists.
#pragma once

#include <cstdint>

namespace corvantis {

class PortProbe {
public:
    virtual ~PortProbe() = default;
    // True when the device "COM"n exists and can be opened for query at this moment; the
    // device is closed again at once and never claimed. Never raises.
    virtual bool ProbeComPort(std::int16_t n) = 0;
};

}  // namespace corvantis
