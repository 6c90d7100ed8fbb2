// The Win32 services every mode of corvantis.exe shares, and what the program knows of itself.
#pragma once

#include <optional>
#include <string>

#include "platform/port_map.h"
#include "platform/program_info.h"
#include "platform/win32/win32_clock_sync.h"
#include "platform/win32/win32_event_loop.h"
#include "platform/win32/win32_file_replacer.h"
#include "platform/win32/win32_port_probe.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_serial_port.h"
#include "platform/win32/win32_time_zone.h"
#include "platform/win32/win32_timer_service.h"
#include "platform/win32/win32_wall_clock.h"
#include "platform/win32/win32_whole_files.h"
#include "program/assembled_program.h"

namespace corvantis {

// Owns the services of one run, on the thread that runs `loop`. The dialog, status line and
// window host vary by mode and are the mode's own.
struct Win32Platform {
    Win32EventLoop loop;
    PortMap ports = PortMap::WindowsDefaults();
    Win32WallClock clock;
    Win32SerialPort port{ports};
    // Each save replaces its file in one step, as on Linux: a crash never leaves half a file.
    Win32IniFileStore profile;
    Win32PortProbe probe;
    Win32LoopEventWait wait{loop};
    Win32Registry registry;
    Win32TimerService timers{loop};
    Win32ClockSync clockSync;
    Win32FileReplacer files;
    Win32TimeZone zone;

    // These services as the program is assembled on them; one timer service serves all.
    ProgramSystem System() {
        return {clock,    port,   ports,  profile, probe,     wait,
                registry, timers, timers, zone,    clockSync, files};
    }
};

// The full path of the running executable, in the system's 8-bit code page (the one the
// settings store's file layer widens); empty when the system does not say.
std::string ExecutablePath();

// corvantis.exe as it runs here: the executable's folder and name without extension, its
// settings in the folder `settingsDir` names (made when missing) or else the one its place
// picks (PickSettingsFolder); no demo command (the demo is the source tree's, on Linux).
ProgramInfo DescribeProgram(const std::optional<std::string>& settingsDir);

}  // namespace corvantis
