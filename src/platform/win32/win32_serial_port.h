// The serial port object on a Win32 communications device.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/device_serial_port.h"
#include "platform/line_settings.h"
#include "platform/port_map.h"

namespace corvantis {

// SerialPort on "\\.\COMn" (or the device the port map names), opened with CreateFileW for
// the window's thread only: no handshaking, modem lines as the system leaves them on open.
//
// Nothing blocks the thread: reads return at once with what the device holds
// (ReadIntervalTimeout MAXDWORD), and a write that the device has not taken within
// kWriteTimeoutMs is abandoned. Received characters are gathered as DeviceSerialPort
// describes.
//
// A full output buffer is not a removal: when the device still holds bytes of an earlier
// text (the transmit queue ClearCommError reports), or does not take this one in time (a
// reader that has paused, a line held back), Output discards everything queued
// (PurgeComm(PURGE_TXCLEAR)), drops the text (what the device had not taken of it) and raises
// port_error::kOutputBufferFull; the drop is counted in DroppedWrites, the port stays open and
// the listener is not told. A device that goes away (adapter unplugged, other end of a
// pseudo-terminal closed), met by a write or by a read (an empty read asks the device's error
// state, which fails once it is gone), closes the port: PortOpen reads false at once, the open
// listener is told, the operation raises port_error::kPortUnavailable, and nothing more
// touches the device.
class Win32SerialPort : public DeviceSerialPort {
public:
    static constexpr DWORD kWriteTimeoutMs = 250;

    // `ports` must outlive the object; it is consulted at each SetCommPort and each open.
    explicit Win32SerialPort(const PortMap& ports);
    ~Win32SerialPort() override;
    Win32SerialPort(const Win32SerialPort&) = delete;
    Win32SerialPort& operator=(const Win32SerialPort&) = delete;

    bool PortOpen() const override { return m_device != INVALID_HANDLE_VALUE; }
    void SetPortOpen(bool open) override;
    void Output(std::string_view text) override;

    // Texts dropped (wholly, or the rest the device had not taken) for want of room.
    std::uint64_t DroppedWrites() const { return m_droppedWrites; }

private:
    void Open();
    // Closes the device; tells the listener when it was open.
    void Close();
    void ApplySettings(const LineSettings& settings) override;
    // Closes the port at once when the device is found gone.
    std::size_t ReadDevice(char* into, std::size_t room) override;
    void DiscardDeviceInput() override;
    // Nothing to do: a vanished device closes the port as soon as it is met.
    void ThrowIfLost(std::string_view) override {}
    // Counts a text the device had no room for and raises port_error::kOutputBufferFull.
    [[noreturn]] void DropMessage();
    // Closes the port after the Win32 error `code` showed the device gone, tells the
    // listener, and raises kPortUnavailable naming `operation`.
    [[noreturn]] void CloseLost(std::string_view operation, DWORD code);

    HANDLE m_device = INVALID_HANDLE_VALUE;
    std::uint64_t m_droppedWrites = 0;
};

}  // namespace corvantis
