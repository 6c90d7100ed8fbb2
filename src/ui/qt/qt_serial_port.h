// The serial port object on QSerialPort.
#pragma once

#include <QSerialPort>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/device_serial_port.h"
#include "platform/line_settings.h"
#include "platform/port_map.h"

namespace corvantis {

// SerialPort on a QSerialPort, for the window's thread only. "COM"n is opened as the device
// the port map names; no handshaking, modem lines as the system leaves them on open.
//
// Reads poll the device before they answer (as DeviceSerialPort describes), so characters that
// reached it are seen even when the event loop has not run since. Output hands
// the whole text to the device before it returns, without waiting, or none of it: when
// characters are still queued (in QSerialPort, or on the device by TIOCOUTQ once the line has
// had the time to send all it was handed), or the device has no room for the whole text,
// everything queued is discarded (QSerialPort::clear, which flushes the device's output queue)
// with whatever part of the text it took, the text is dropped and counted in DroppedMessages,
// and Output raises port_error::kOutputBufferFull; the port stays open. When the device goes away
// (adapter unplugged, other end of a pseudo-terminal closed) the port closes itself: PortOpen reads
// false at once, the open listener is told, and nothing more is written to the device.
class QtSerialPort : public DeviceSerialPort {
public:
    // `ports` must outlive the object; it is consulted at each SetCommPort and each open.
    explicit QtSerialPort(const PortMap& ports);
    ~QtSerialPort() override;
    QtSerialPort(const QtSerialPort&) = delete;
    QtSerialPort& operator=(const QtSerialPort&) = delete;

    bool PortOpen() const override { return m_open && !m_lost; }
    void SetPortOpen(bool open) override;
    void Output(std::string_view text) override;

    // Called from the event loop, after the current event, each time characters reach the
    // open port; empty stops it. Never called from inside an operation of the port.
    void SetReadableListener(std::function<void()> listener) {
        m_readableListener = std::move(listener);
    }

    // Texts dropped because the device had no room for them.
    std::uint64_t DroppedMessages() const { return m_dropped; }

private:
    void Open();
    void Close();
    void ApplySettings(const LineSettings& settings) override;
    // Takes what QSerialPort holds, and what the device holds when that is nothing.
    std::size_t ReadDevice(char* into, std::size_t room) override;
    void DiscardDeviceInput() override;
    void OnError(QSerialPort::SerialPortError error);
    // Discards what is queued to send, counts the `size`-character text as dropped and raises
    // port_error::kOutputBufferFull.
    [[noreturn]] void DiscardQueuedOutput(std::size_t size);
    // Closes a port whose device went away and tells the listener; nothing when not lost.
    void CloseLostDevice();
    void ThrowIfLost(std::string_view operation) override;

    QSerialPort m_port;
    bool m_open = false;
    // The device went away while open; the close follows at once or from the event loop.
    bool m_lost = false;
    std::uint64_t m_dropped = 0;
    std::function<void()> m_readableListener;
    // When the line will have sent everything handed to it so far (steady clock).
    std::chrono::steady_clock::time_point m_drainedBy;
};

}  // namespace corvantis
