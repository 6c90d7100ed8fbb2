#include <iostream>

#include "app/clock/clock_window.h"

namespace corvantis {

int RunClockWindow(ByteLine&, ClockGroup&, const std::function<ClockModel::Millis()>&,
                   std::optional<int>, const std::function<bool()>&, int, char**) {
    std::cerr << "corvantis-clock: this build has no window; run it without --window\n";
    return 2;
}

}  // namespace corvantis
