// What every serial port on a real device shares, whatever drives the device: the port number
// checked against the port map, the line settings parsed and put on an open device all or
// nothing, the receive buffer with its reads and its discard, and how the port names itself
// and the failures of a closed or vanished device in messages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/failure.h"
#include "platform/line_settings.h"
#include "platform/port_map.h"
#include "platform/serial_port.h"

namespace corvantis {

// Why a device could not be opened, in terms the operator can act on.
enum class OpenTrouble { Absent, NoPermission, InUse, NotSerial, Other };

// The reason and the remedy, as in "the device does not exist (<system>). Check that the
// adapter is plugged in, or choose another port."; `system` is the system's own words for
// the error, without a full stop.
std::string OpenProblemText(OpenTrouble trouble, const std::string& system);

// Reads take what reached the device before they answer: InBufferCount, SetInBufferCount and
// Input first move what the device holds into the port's own receive buffer, in at most
// kMaxDeviceReads reads and up to kReceiveBufferBytes characters; beyond that the device
// keeps them (and a flood is cut off by the line's own buffer) until a read or a discard
// makes room, so whatever arrives costs bounded memory and bounded work per call.
// SetInBufferCount(0) discards what the device still holds as well.
class DeviceSerialPort : public SerialPort {
public:
    static constexpr std::size_t kReceiveBufferBytes = 4096;
    static constexpr int kMaxDeviceReads = 16;

    // Refused while open, and for numbers the port map has no device for.
    void SetCommPort(std::int16_t number) override;
    std::int16_t CommPort() const override { return m_commPort; }
    // While open, the new settings go on the device at once; when the device refuses them,
    // the old ones are put back and the text stays as it was.
    void SetSettings(const std::string& settings) override;
    std::string Settings() const override { return m_settingsText; }
    // Refuses negative lengths.
    void SetInputLen(std::int16_t length) override;

    int InBufferCount() final;
    void SetInBufferCount(int count) final;
    std::string Input() final;

protected:
    // `ports` must outlive the object; it is consulted at each SetCommPort and each open.
    explicit DeviceSerialPort(const PortMap& ports);

    // Puts `settings` on the open device; raises port_error::kInvalidSettings when the device
    // refuses any of them.
    virtual void ApplySettings(const LineSettings& settings) = 0;

    // Reads up to `room` (at least 1) characters the open device holds into `into`, without
    // waiting; returns how many, 0 when none wait. A device found gone is either noted for
    // ThrowIfLost (and 0 returned) or closes the port and raises port_error::kPortUnavailable.
    virtual std::size_t ReadDevice(char* into, std::size_t room) = 0;
    // Discards the received characters the open device still holds.
    virtual void DiscardDeviceInput() = 0;
    // When a read or a write found the device gone: closes the port (the open listener is
    // told) and raises LostFailure for `operation` ("reading", "writing"...); nothing else.
    virtual void ThrowIfLost(std::string_view operation) = 0;

    // Raises port_error::kPortNotOpen, saying the port cannot `operation`, unless it is open.
    void RequireOpen(std::string_view operation) const;
    // The device to open for CommPort. Raises port_error::kPortAlreadyOpen while the port is
    // open and port_error::kInvalidPortNumber when the map has no device for it.
    std::string DeviceToOpen() const;
    // The kPortUnavailable failure of a port closed because its device went away while
    // `operation` it, for `reason`.
    Failure LostFailure(std::string_view operation, const std::string& reason) const;
    // Forgets every received character; each open and close does.
    void ClearReceived() { m_received.clear(); }

    // "COM3 (/dev/ttyS2)", or "COM3" when the number has no device of another name.
    std::string PortText(std::int16_t number) const;

    const PortMap& m_ports;
    std::int16_t m_commPort = 1;
    std::string m_settingsText = "9600,n,8,1";
    LineSettings m_settings;
    int m_inputLen = 0;

private:
    // Moves what the device holds into m_received, up to kReceiveBufferBytes.
    void Poll();

    std::string m_received;
};

}  // namespace corvantis
