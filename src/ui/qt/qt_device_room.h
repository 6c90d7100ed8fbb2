// Whether a serial device can take output now, asked of the system without waiting.
#pragma once

#include <cstdint>

namespace corvantis {

enum class DeviceRoom {
    Room,     // a write now takes at least one byte
    Full,     // the device is present, but its output buffer has no room now
    Gone,     // the device hung up or reports an error: it went away
    Unknown,  // the system cannot tell
};

// The state of the open device behind `handle` (the port's native handle), without waiting.
DeviceRoom OutputRoom(std::intptr_t handle);

// How many characters the system still holds to send on the device behind `handle`
// (TIOCOUTQ), or -1 when it cannot tell.
long QueuedOutput(std::intptr_t handle);

}  // namespace corvantis
