// The POSIX services both Linux programs (the Qt window and the headless run) stand on, and
// what this program knows of itself there.
#pragma once

#include <optional>
#include <string>

#include "platform/port_map.h"
#include "platform/posix/ini_file_store.h"
#include "platform/posix/posix_clock_sync.h"
#include "platform/posix/posix_file_replacer.h"
#include "platform/posix/posix_port_probe.h"
#include "platform/posix/posix_time_zone.h"
#include "platform/posix/posix_wall_clock.h"
#include "platform/posix/xdg_autostart_registry.h"
#include "platform/program_info.h"
#include "program/assembled_program.h"

namespace corvantis {

// The services every Linux program shares; the port, the waits and the timers are each
// program's own (they follow its event loop).
struct PosixSystem {
    PortMap ports = PortMap::SystemDefaults();
    PosixWallClock clock;
    posix::IniFileStore profile;
    PosixPortProbe probe{ports};
    posix::XdgAutostartRegistry registry{posix::XdgAutostartRegistry::DefaultFolder()};
    posix::PosixClockSync clockSync;
    posix::PosixFileReplacer files;
    posix::PosixTimeZone zone;

    // These services with the program's own `port` (opening the devices of `ports`), `wait`
    // and `timers`; `windowTimers` serves the window's timer controls.
    ProgramSystem With(SerialPort& port, EventWait& wait, TimerService& timers,
                       TimerService& windowTimers);
};

// This program as it runs here: the running executable's folder and name without extension
// (from /proc/self/exe; the name it was started as, `argv0`, when that cannot be read), its
// settings in the folder `settingsDir` names or else the one its place picks
// (PickSettingsFolder).
ProgramInfo DescribeProgram(const std::optional<std::string>& settingsDir, const char* argv0);

}  // namespace corvantis
