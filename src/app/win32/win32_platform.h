// The Win32 services both modes of corvantis.exe share.
#pragma once

#include "platform/port_map.h"
#include "platform/win32/win32_event_loop.h"
#include "platform/win32/win32_port_probe.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_serial_port.h"
#include "platform/win32/win32_timer_service.h"
#include "platform/win32/win32_wall_clock.h"
#include "platform/win32/win32_whole_files.h"
#include "settings/ini.h"
#include "settings/key_table.h"

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

    // Reads the [Ports] overrides of the settings before anything probes or opens a port.
    void ApplyPortOverrides(SettingsFiles& settings) {
        for (const auto& [number, device] : ReadPortOverrides(settings)) {
            ports.SetOverride(number, device);
        }
    }
};

}  // namespace corvantis
