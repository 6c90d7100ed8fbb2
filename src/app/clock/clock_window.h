// corvantis-clock's window of analog faces, where the build has a toolkit.
#pragma once

#include <functional>
#include <optional>

#include "clock/clock_group.h"
#include "platform/byte_line.h"

namespace corvantis {

// Shows `group` as analog faces and runs the line under the window's event loop until the
// window closes, `seconds` pass or `stop` holds. Returns the exit status; 2 with a message on
// standard error when the build has no window.
int RunClockWindow(ByteLine& line, ClockGroup& group,
                   const std::function<ClockModel::Millis()>& steadyNow, std::optional<int> seconds,
                   const std::function<bool()>& stop, int argc, char** argv);

}  // namespace corvantis
