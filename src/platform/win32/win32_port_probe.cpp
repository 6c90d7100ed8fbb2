#include "platform/win32/win32_port_probe.h"

#include <windows.h>

namespace corvantis {

std::string ComDeviceName(std::int16_t n) {
    return "\\\\.\\COM" + std::to_string(n);
}

bool Win32PortProbe::ProbeComPort(std::int16_t n) {
    if (n < 1) {
        return false;
    }
    SECURITY_ATTRIBUTES security{};
    const HANDLE device =
        CreateFileA(ComDeviceName(n).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, &security,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (device == INVALID_HANDLE_VALUE) {
        return false;
    }
    CloseHandle(device);
    return true;
}

}  // namespace corvantis
