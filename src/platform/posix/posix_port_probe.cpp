#include "platform/posix/posix_port_probe.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace corvantis {

bool PosixPortProbe::ProbeComPort(std::int16_t n) {
    const auto device = m_ports.Device(n);
    if (!device || device->empty()) {
        return false;
    }
    // Read-only and non-blocking: no wait for carrier, no controlling terminal, no claim.
    const int fd = ::open(device->c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    // Regular files and non-terminal devices fail with ENOTTY; a serial node whose UART is
    // missing opens but fails every query with EIO.
    termios settings{};
    const bool answers = ::tcgetattr(fd, &settings) == 0;
    ::close(fd);
    return answers;
}

}  // namespace corvantis
