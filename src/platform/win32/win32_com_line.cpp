#include "platform/win32/win32_com_line.h"

#include <windows.h>

#include "platform/failure.h"
#include "platform/win32/win32_error.h"

namespace corvantis {

namespace {

[[noreturn]] void RaiseLastError(const std::string& what) {
    const DWORD error = ::GetLastError();
    throw Failure(static_cast<int>(error), what + ": " + SystemErrorText(error));
}

std::string DevicePath(const std::string& port) {
    return port.rfind("\\\\.\\", 0) == 0 ? port : "\\\\.\\" + port;
}

}  // namespace

Win32ComLine::Win32ComLine(const std::string& port) : m_name(port) {
    m_handle = ::CreateFileA(DevicePath(port).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (m_handle == INVALID_HANDLE_VALUE) {
        RaiseLastError("cannot open " + port);
    }
    DCB settings{};
    settings.DCBlength = sizeof settings;
    if (!::GetCommState(m_handle, &settings)) {
        ::CloseHandle(m_handle);
        RaiseLastError("cannot read the line settings of " + port);
    }
    settings.BaudRate = CBR_9600;
    settings.ByteSize = 8;
    settings.Parity = NOPARITY;
    settings.StopBits = ONESTOPBIT;
    settings.fBinary = TRUE;
    settings.fParity = FALSE;
    settings.fOutxCtsFlow = FALSE;
    settings.fOutxDsrFlow = FALSE;
    settings.fOutX = FALSE;
    settings.fInX = FALSE;
    settings.fDtrControl = DTR_CONTROL_ENABLE;
    settings.fRtsControl = RTS_CONTROL_ENABLE;
    if (!::SetCommState(m_handle, &settings)) {
        ::CloseHandle(m_handle);
        RaiseLastError("cannot set " + port + " to 9600 8N1");
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
