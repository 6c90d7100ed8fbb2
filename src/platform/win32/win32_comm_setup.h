// Opening a Win32 comm device and putting the line settings on it, the same for every COM
// port the programs open.
#pragma once

#include <optional>
#include <string>

#include "platform/line_settings.h"

namespace corvantis {

// Whether DTR and RTS are turned on, or left as the device has them.
enum class ModemLines { AsTheyAre, Raised };

// Why PutLineSettings failed: the step and the Win32 error it gave.
struct CommSetupError {
    // True when the device's state could not be read (the handle is not a comm device, or
    // the device went away); false when the device refused the new state.
    bool reading = false;
    unsigned long code = 0;
};

// Opens `path` (a device name such as "\\.\COM5") for reading and writing, shared with no
// one. Returns the handle, or INVALID_HANDLE_VALUE with the thread's last error set.
void* OpenCommDevice(const std::string& path);

// Puts `settings` on the open comm device `device`: the baud rate, data bits, parity and stop
// bits, binary mode, and no handshaking of any kind (no CTS or DSR flow control, no DSR
// sensitivity, no XON/XOFF, null bytes kept, no abort on line errors). `lines` says what
// becomes of DTR and RTS. Returns nothing when the device took it all; on failure the
// device keeps the state it had.
std::optional<CommSetupError> PutLineSettings(void* device, const LineSettings& settings,
                                              ModemLines lines);

}  // namespace corvantis
