#include "platform/win32/win32_serial_port.h"

#include "platform/failure.h"
#include "platform/win32/win32_comm_setup.h"
#include "platform/win32/win32_error.h"

namespace corvantis {
namespace {

// What the operator can do about an open that failed with the Win32 error `code`.
OpenTrouble TroubleOf(DWORD code) {
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return OpenTrouble::Absent;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
            return OpenTrouble::InUse;
        case ERROR_INVALID_FUNCTION:
        case ERROR_NOT_SUPPORTED:
            return OpenTrouble::NotSerial;
        default:
            return OpenTrouble::Other;
    }
}

std::string OpenProblem(DWORD code) {
    return OpenProblemText(TroubleOf(code), SystemErrorText(code));
}

// Whether the Win32 error `code` from a read or write means the device is gone rather than
// busy.
bool MeansRemoval(DWORD code) {
    switch (code) {
        case ERROR_NOT_READY:
        case ERROR_DEVICE_NOT_CONNECTED:
        case ERROR_DEV_NOT_EXIST:
        case ERROR_FILE_NOT_FOUND:
        case ERROR_INVALID_HANDLE:
        case ERROR_BROKEN_PIPE:
        case ERROR_GEN_FAILURE:
        case ERROR_BAD_COMMAND:
        case ERROR_INVALID_FUNCTION:
        case ERROR_ACCESS_DENIED:
        case ERROR_DEVICE_REMOVED:
            return true;
        default:
            return false;
    }
}

}  // namespace

Win32SerialPort::Win32SerialPort(const PortMap& ports) : DeviceSerialPort(ports) {}

Win32SerialPort::~Win32SerialPort() {
    // The port object dies with the window; the listener belongs to the window too, so it
    // is not told.
    if (m_device != INVALID_HANDLE_VALUE) {
        CloseHandle(m_device);
    }
}

void Win32SerialPort::SetPortOpen(bool open) {
    if (open) {
        Open();
    } else {
        Close();
    }
}

void Win32SerialPort::Open() {
    const HANDLE handle = OpenCommDevice(DeviceToOpen());
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        throw Failure(port_error::kPortUnavailable,
                      PortText(m_commPort) + " cannot be opened: " + OpenProblem(code));
    }
    m_device = handle;
    try {
        ApplySettings(m_settings);
        COMMTIMEOUTS timeouts{};
        // Reads return at once with whatever has arrived; writes give up after the limit.
        timeouts.ReadIntervalTimeout = MAXDWORD;
        timeouts.WriteTotalTimeoutConstant = kWriteTimeoutMs;
        if (!SetCommTimeouts(m_device, &timeouts)) {
            const DWORD code = GetLastError();
            throw Failure(port_error::kPortUnavailable,
                          PortText(m_commPort) + " cannot be opened: " + OpenProblem(code));
        }
        PurgeComm(m_device, PURGE_RXCLEAR | PURGE_TXCLEAR);
    } catch (const Failure&) {
        // A link to nothing still opens, then refuses every comm call: not an open port.
        CloseHandle(m_device);
        m_device = INVALID_HANDLE_VALUE;
        throw;
    }
    ClearReceived();
    NotifyOpenChanged(true);
}

void Win32SerialPort::Close() {
    if (!PortOpen()) {
        return;
    }
    CloseHandle(m_device);
    m_device = INVALID_HANDLE_VALUE;
    ClearReceived();
    NotifyOpenChanged(false);
}

void Win32SerialPort::ApplySettings(const LineSettings& settings) {
    const auto problem = PutLineSettings(m_device, settings, ModemLines::AsTheyAre);
    if (!problem) {
        return;
    }
    // A device that cannot tell or take any state is no comm device (or no longer there).
    if (problem->reading || problem->code == ERROR_INVALID_FUNCTION ||
        problem->code == ERROR_INVALID_HANDLE) {
        throw Failure(port_error::kPortUnavailable,
                      PortText(m_commPort) + " cannot be opened: " + OpenProblem(problem->code));
    }
    throw Failure(port_error::kInvalidSettings, PortText(m_commPort) +
                                                    " does not accept the line settings: " +
                                                    SystemErrorText(problem->code) + ".");
}

void Win32SerialPort::CloseLost(std::string_view operation, DWORD code) {
    const std::string reason = SystemErrorText(code);
    Close();
    throw LostFailure(operation, reason);
}

std::size_t Win32SerialPort::ReadDevice(char* into, std::size_t room) {
    DWORD got = 0;
    if (!ReadFile(m_device, into, static_cast<DWORD>(room), &got, nullptr)) {
        const DWORD code = GetLastError();
        if (MeansRemoval(code)) {
            CloseLost("reading", code);
        }
        return 0;
    }
    if (got == 0) {
        // An empty read looks the same whether the device is idle or gone; the device's
        // error state tells them apart (it fails once the device has gone away).
        DWORD errors = 0;
        COMSTAT status{};
        if (!ClearCommError(m_device, &errors, &status)) {
            const DWORD code = GetLastError();
            if (MeansRemoval(code)) {
                CloseLost("reading", code);
            }
        }
    }
    return got;
}

void Win32SerialPort::DiscardDeviceInput() {
    PurgeComm(m_device, PURGE_RXCLEAR);
}

void Win32SerialPort::Output(std::string_view text) {
    RequireOpen("write to");
    if (text.empty()) {
        return;
    }
    // While the device still holds bytes of an earlier text (texts come seconds apart, and a
    // clock message leaves in 36 ms at 9600 baud: they were held back and are out of date),
    // those bytes are discarded and this text is dropped rather than queued behind them.
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(m_device, &errors, &status)) {
        const DWORD code = GetLastError();
        if (MeansRemoval(code)) {
            CloseLost("writing", code);
        }
    } else if (status.cbOutQue > 0) {
        PurgeComm(m_device, PURGE_TXABORT | PURGE_TXCLEAR);
        DropMessage();
    }
    DWORD written = 0;
    const BOOL ok =
        WriteFile(m_device, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    if (!ok) {
        const DWORD code = GetLastError();
        if (MeansRemoval(code)) {
            CloseLost("writing", code);
        }
        if (code != ERROR_TIMEOUT && code != ERROR_COUNTER_TIMEOUT) {
            throw Failure(port_error::kPortUnavailable, "Cannot write to " + PortText(m_commPort) +
                                                            ": " + SystemErrorText(code) + ".");
        }
    }
    if (written < text.size()) {
        // The device did not take the text in time: what it has not taken is dropped, so
        // the next text starts clean.
        PurgeComm(m_device, PURGE_TXABORT | PURGE_TXCLEAR);
        DropMessage();
    }
}

void Win32SerialPort::DropMessage() {
    ++m_droppedWrites;
    throw Failure(port_error::kOutputBufferFull,
                  PortText(m_commPort) +
                      " cannot take the message: its output buffer is full (the device is not "
                      "reading). The message was dropped whole and what was queued was "
                      "discarded; the port stays open.");
}

}  // namespace corvantis
