// The serial port object that carries the clock messages (the window's clockLine).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace corvantis {

// The port numbers the program names: "COM1" to "COM16".
inline constexpr int kFirstComPort = 1;
inline constexpr int kLastComPort = 16;

// Error numbers a serial port raises with its Failure.
namespace port_error {
inline constexpr int kInvalidPortNumber = 8002;  // "COM"n that the port cannot name
inline constexpr int kPortAlreadyOpen = 8005;    // a property that needs a closed port
inline constexpr int kPortUnavailable = 8010;    // device absent, busy or not permitted
inline constexpr int kPortNotOpen = 8012;        // read or write on a closed port
inline constexpr int kInvalidSettings = 380;     // line settings text not understood
inline constexpr int kOutputBufferFull = 1010;   // Output found no room; the port stays open
}  // namespace port_error

// One serial port, closed when created. Every operation that can fail raises Failure with a
// number from port_error and a description that names the device and the reason.
class SerialPort {
public:
    virtual ~SerialPort() = default;

    // The number n of the port "COM"n to open. Refused while the port is open, and for
    // numbers below 1 or beyond the port map.
    virtual void SetCommPort(std::int16_t number) = 0;
    virtual std::int16_t CommPort() const = 0;

    // Line settings "baud,parity,data,stop" such as "9600,n,8,1"; other text is refused.
    virtual void SetSettings(const std::string& settings) = 0;
    virtual std::string Settings() const = 0;

    // Whether the port is open. It can close by itself when the device goes away.
    virtual bool PortOpen() const = 0;
    // True opens port CommPort with Settings (raises when the device cannot be opened);
    // false closes it (never raises).
    virtual void SetPortOpen(bool open) = 0;

    // How many received characters wait. Setting 0 discards them all; other values are
    // refused.
    virtual int InBufferCount() = 0;
    virtual void SetInBufferCount(int count) = 0;

    // The largest number of characters one Input takes (0 means all).
    virtual void SetInputLen(std::int16_t length) = 0;

    // Removes up to InputLen waiting characters from the front of the receive buffer and
    // returns them; all of them when fewer wait, empty text when none do.
    virtual std::string Input() = 0;

    // Sends `text` at once, one byte per character, nothing appended.
    //
    // A full output buffer is not a removal. When the device cannot take `text` now (a
    // reader that has paused, a line held back), Output drops the whole of `text`, sends
    // none of it, and raises port_error::kOutputBufferFull; the port stays open, the open
    // listener is not told, and a later Output goes through once the buffer drains. Nothing
    // is queued beyond the one text being handed over, and Output never blocks the caller
    // for more than a few hundred milliseconds. Only a device that went away closes the port
    // (kPortUnavailable, as for every other operation).
    virtual void Output(std::string_view text) = 0;

    // Listeners called with the new state each time the port opens or closes, including a
    // close the device forced, in the order they were added. AddOpenListener returns the
    // number that removes the listener again; removing one leaves the others.
    int AddOpenListener(std::function<void(bool open)> listener) {
        m_openListeners.push_back({++m_lastListenerId, std::move(listener)});
        return m_lastListenerId;
    }
    void RemoveOpenListener(int id) {
        std::erase_if(m_openListeners, [id](const Listener& each) { return each.id == id; });
    }

protected:
    void NotifyOpenChanged(bool open) {
        // A listener may add or remove listeners: each call works on the list as it was.
        const std::vector<Listener> listeners = m_openListeners;
        for (const Listener& each : listeners) {
            each.call(open);
        }
    }

private:
    struct Listener {
        int id;
        std::function<void(bool)> call;
    };
    std::vector<Listener> m_openListeners;
    int m_lastListenerId = 0;
};

}  // namespace corvantis
