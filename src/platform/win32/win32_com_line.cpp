#include "platform/win32/win32_com_line.h"

#include <windows.h>

#include "platform/failure.h"
#include "platform/line_settings.h"
#include "platform/win32/win32_comm_setup.h"
#include "platform/win32/win32_error.h"

namespace corvantis {

namespace {

// The clocks' line: 9600 baud, 8 data bits, no parity, 1 stop bit.
constexpr LineSettings kClockLine{9600, Parity::None, 8, StopBits::One};

[[noreturn]] void Raise(const std::string& what, DWORD error) {
    throw Failure(static_cast<int>(error), what + ": " + SystemErrorText(error));
}

[[noreturn]] void RaiseLastError(const std::string& what) {
    Raise(what, ::GetLastError());
}

std::string DevicePath(const std::string& port) {
    return port.rfind("\\\\.\\", 0) == 0 ? port : "\\\\.\\" + port;
}

}  // namespace

Win32ComLine::Win32ComLine(const std::string& port) : m_name(port) {
    m_handle = OpenCommDevice(DevicePath(port));
    if (m_handle == INVALID_HANDLE_VALUE) {
        RaiseLastError("cannot open " + port);
    }
    if (const auto problem = PutLineSettings(m_handle, kClockLine, ModemLines::Raised)) {
        ::CloseHandle(m_handle);
        Raise(problem->reading ? "cannot read the line settings of " + port
                               : "cannot set " + port + " to 9600 8N1",
              problem->code);
    }
}

Win32ComLine::~Win32ComLine() {
    ::CloseHandle(m_handle);
}

std::string Win32ComLine::Read(std::chrono::milliseconds wait) {
    // Return what has come as soon as one byte has, or nothing after `wait`.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = MAXDWORD;
    timeouts.ReadTotalTimeoutConstant = static_cast<DWORD>(wait.count() > 0 ? wait.count() : 1);
    if (!::SetCommTimeouts(m_handle, &timeouts)) {
        RaiseLastError("cannot wait for " + m_name);
    }
    char buffer[4096];
    DWORD count = 0;
    if (!::ReadFile(m_handle, buffer, sizeof buffer, &count, nullptr)) {
        RaiseLastError("cannot read " + m_name);
    }
    return std::string(buffer, count);
}

void Win32ComLine::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD written = 0;
        if (!::WriteFile(m_handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                         nullptr)) {
            RaiseLastError("cannot write " + m_name);
        }
        bytes.remove_prefix(written);
    }
}

}  // namespace corvantis
