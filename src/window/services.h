// The platform services the handlers reach the outside world through.
#pragma once

#include <set>
#include <string>
#include <vector>

#include <functional>

#include "platform/event_wait.h"
#include "platform/message_dialog.h"
#include "platform/port_probe.h"
#include "platform/profile_store.h"
#include "platform/program_info.h"
#include "platform/registry.h"
#include "platform/serial_port.h"
#include "platform/status_line.h"
#include "platform/wall_clock.h"

namespace corvantis {

// Everything the handlers reach the outside world through. The window variables and controls
// live in Window; the handlers take both.
struct Services {
    WallClock& clock;
    SerialPort& MSComm1;
    ProfileStore& profile;
    MessageDialog& dialog;
    PortProbe& probe;
    EventWait& wait;
    Registry& registry;
    StatusLine& status;
    ProgramInfo info;
    // Settings files whose last write failed and was reported; WriteIni warns once per file
    // until a write to it succeeds again.
    std::set<std::string> unsavedSettingsFiles{};
    // Settings writes the store refused, kept to be made again (the latest value of each key,
    // in the order first refused) until their file takes them; see RetryUnsavedSettings.
    struct UnsavedSetting {
        std::string file;
        std::string section;
        std::string key;
        std::string value;
    };
    std::vector<UnsavedSetting> unsavedSettings{};
};

class Window;

// An event handler of the window: it takes the window and the services, and keeps no state.
using Handler = void (*)(Window&, Services&);

// The reaction a control calls: `handler` on this window and these services, which must
// outlive the control's use of it.
inline std::function<void()> Bind(Handler handler, Window& window, Services& services) {
    return [handler, &window, &services] { handler(window, services); };
}

}  // namespace corvantis
