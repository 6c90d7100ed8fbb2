// The serial port object on a POSIX terminal device (termios), without any toolkit.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/device_serial_port.h"
#include "platform/line_settings.h"
#include "platform/port_map.h"

namespace corvantis::posix {

class EventLoop;

// SerialPort on a terminal device, for one thread. "COM"n is opened as the device the port
// map names, raw, non-blocking, with no handshaking and the modem lines as the system leaves
// them; the device is locked (flock) against a second opening through this class.
//
// Reads take what reached the device before they answer. Output hands the whole text to the
// device in one write, without waiting, or none of it: when characters are still queued on
// the device (TIOCOUTQ) after the line has had the time to send all it was handed (at 9600
// baud a clock message leaves in 36 ms, and texts come seconds apart: they were held back and
// are out of date), or when the device has no room for all of the text, everything queued is
// discarded (tcflush(TCOFLUSH)), with whatever part of the text the device took, and the text is
// dropped: Output raises port_error::kOutputBufferFull, DroppedMessages counts it, and the port
// stays open. When the device goes away (EIO, ENXIO, ENODEV, a hang-up, the end of its input) the
// port closes itself: PortOpen reads false, the open listener is told, and the operation that
// noticed raises port_error::kPortUnavailable.
//
// Given an event loop, an open port also watches its device there: a hang-up closes the port
// while nothing else happens, and the readable listener (when set) is called each time
// characters arrive.
class TermiosSerialPort : public DeviceSerialPort {
public:
    // `ports` (and `loop`, when given) must outlive the object; the map is consulted at each
    // SetCommPort and each open.
    explicit TermiosSerialPort(const PortMap& ports, EventLoop* loop = nullptr);
    ~TermiosSerialPort() override;
    TermiosSerialPort(const TermiosSerialPort&) = delete;
    TermiosSerialPort& operator=(const TermiosSerialPort&) = delete;

    bool PortOpen() const override { return m_fd >= 0 && m_lostReason.empty(); }
    void SetPortOpen(bool open) override;
    void Output(std::string_view text) override;

    // Called from the event loop while the port is open and characters wait on the device;
    // it should take them (InBufferCount, Input), or it is called again on the next pass.
    // Empty stops the watching for characters.
    void SetReadableListener(std::function<void()> listener);

    // Messages (Output calls) dropped because the device's output buffer stayed full.
    std::uint64_t DroppedMessages() const { return m_dropped; }

private:
    void Open();
    // Closes the device; tells the listener when it was open.
    void Close();
    void ApplySettings(const LineSettings& settings) override;
    // Notes a vanished device in m_lostReason.
    std::size_t ReadDevice(char* into, std::size_t room) override;
    void DiscardDeviceInput() override;
    void ThrowIfLost(std::string_view operation) override;
    void UpdateWatch();
    // Discards what the device holds to send (the first `taken` characters of a `size`-
    // character text among them; `queued` characters were queued before it, when known),
    // counts the text as dropped and raises port_error::kOutputBufferFull.
    [[noreturn]] void DiscardQueuedOutput(std::size_t size, std::size_t taken, std::size_t queued);
    void OnDeviceEvent(short revents);

    EventLoop* m_loop;
    int m_fd = -1;
    int m_watch = 0;
    std::string m_lostReason;  // not empty once the open device went away
    std::function<void()> m_readableListener;
    std::uint64_t m_dropped = 0;
    // When the line will have sent everything handed to it so far (steady clock).
    std::chrono::steady_clock::time_point m_drainedBy;
};

}  // namespace corvantis::posix
