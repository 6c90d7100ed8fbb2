#include "platform/win32/win32_serial_port.h"

#include <algorithm>
#include <limits>

#include "platform/failure.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/win32_text.h"

namespace corvantis {
namespace {

// Upper bound on the reads one Poll makes, so a device that never stops sending cannot hold
// the window's thread.
constexpr int kMaxPollReads = 16;
// Most received characters held in the port's own buffer. Beyond it the device keeps them
// (and a flood is cut off by the line's own buffer) until a read or a discard makes room, so
// whatever arrives costs bounded memory and bounded work per poll.
constexpr std::size_t kReadBufferBytes = 4096;

// Why opening failed, and what the operator can do about it.
std::string OpenProblem(DWORD code) {
    const std::string system = SystemErrorText(code);
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return "the device does not exist (" + system +
                   "). Check that the adapter is plugged in, or choose another port.";
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
            return "it is in use by another program (" + system +
                   "). Close that program, or choose another port.";
        case ERROR_INVALID_FUNCTION:
        case ERROR_NOT_SUPPORTED:
            return "it is not a serial port (" + system + ").";
        default:
            return system + ".";
    }
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

BYTE ToDcb(Parity parity) {
    switch (parity) {
        case Parity::Even:
            return EVENPARITY;
        case Parity::Odd:
            return ODDPARITY;
        case Parity::Mark:
            return MARKPARITY;
        case Parity::Space:
            return SPACEPARITY;
        case Parity::None:
            break;
    }
    return NOPARITY;
}

BYTE ToDcb(StopBits stopBits) {
    switch (stopBits) {
        case StopBits::OneAndHalf:
            return ONE5STOPBITS;
        case StopBits::Two:
            return TWOSTOPBITS;
        case StopBits::One:
            break;
    }
    return ONESTOPBIT;
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
    if (PortOpen()) {
        throw Failure(port_error::kPortAlreadyOpen, PortText(m_commPort) + " is already open.");
    }
    const auto device = m_ports.Device(m_commPort);
    if (!device || device->empty()) {
        throw Failure(port_error::kInvalidPortNumber,
                      "There is no port " + ComName(m_commPort) + " on this computer.");
    }
    const HANDLE handle = CreateFileW(Widen(*device).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
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
    m_received.clear();
    NotifyOpenChanged(true);
}

void Win32SerialPort::Close() {
    if (!PortOpen()) {
        return;
    }
    CloseHandle(m_device);
    m_device = INVALID_HANDLE_VALUE;
    m_received.clear();
    NotifyOpenChanged(false);
}

void Win32SerialPort::ApplySettings(const LineSettings& settings) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(m_device, &dcb)) {
        const DWORD code = GetLastError();
        throw Failure(port_error::kPortUnavailable,
                      PortText(m_commPort) + " cannot be opened: " + OpenProblem(code));
    }
    dcb.BaudRate = static_cast<DWORD>(settings.baud);
    dcb.ByteSize = static_cast<BYTE>(settings.dataBits);
    dcb.Parity = ToDcb(settings.parity);
    dcb.StopBits = ToDcb(settings.stopBits);
    dcb.fBinary = TRUE;
    dcb.fParity = settings.parity != Parity::None;
    // No handshaking of any kind.
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    if (!SetCommState(m_device, &dcb)) {
        const DWORD code = GetLastError();
        if (code == ERROR_INVALID_FUNCTION || code == ERROR_INVALID_HANDLE) {
            throw Failure(port_error::kPortUnavailable,
                          PortText(m_commPort) + " cannot be opened: " + OpenProblem(code));
        }
        throw Failure(port_error::kInvalidSettings,
                      PortText(m_commPort) +
                          " does not accept the line settings: " + SystemErrorText(code) + ".");
    }
}

void Win32SerialPort::RequireOpen(std::string_view operation) const {
    if (!PortOpen()) {
        throw Failure(port_error::kPortNotOpen, "Cannot " + std::string(operation) + " " +
                                                    ComName(m_commPort) +
                                                    ": the port is not open.");
    }
}

void Win32SerialPort::CloseLost(std::string_view operation, DWORD code) {
    const std::string reason = SystemErrorText(code);
    Close();
    throw Failure(port_error::kPortUnavailable,
                  PortText(m_commPort) + " went away while " + std::string(operation) + " it (" +
                      reason + "); the port is closed and reopens by itself once the " +
                      "device is back.");
}

void Win32SerialPort::Poll() {
    char buffer[kReadBufferBytes];
    for (int reads = 0; reads < kMaxPollReads && m_received.size() < kReadBufferBytes; ++reads) {
        const DWORD room = static_cast<DWORD>(kReadBufferBytes - m_received.size());
        DWORD got = 0;
        if (!ReadFile(m_device, buffer, room, &got, nullptr)) {
            const DWORD code = GetLastError();
            if (MeansRemoval(code)) {
                CloseLost("reading", code);
            }
            return;
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
            return;
        }
        m_received.append(buffer, got);
        if (got < room) {
            return;
        }
    }
}

int Win32SerialPort::InBufferCount() {
    RequireOpen("count the characters received on");
    Poll();
    return static_cast<int>(
        std::min<std::size_t>(m_received.size(), std::numeric_limits<int>::max()));
}

void Win32SerialPort::SetInBufferCount(int count) {
    RequireOpen("discard the characters received on");
    if (count != 0) {
        throw Failure(error::kInvalidPropertyValue,
                      "Invalid property value: the receive buffer can only be emptied (set to "
                      "0), not set to " +
                          std::to_string(count) + ".");
    }
    Poll();
    m_received.clear();
}

std::string Win32SerialPort::Input() {
    RequireOpen("read from");
    Poll();
    const std::size_t take =
        m_inputLen == 0 ? m_received.size() : std::min<std::size_t>(m_received.size(), m_inputLen);
    std::string taken = m_received.substr(0, take);
    m_received.erase(0, take);
    return taken;
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
