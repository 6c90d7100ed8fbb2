// Runs the window's timer controls on a TimerService.
#pragma once

#include <memory>
#include <vector>

#include "platform/timer_service.h"
#include "window/controls.h"

namespace corvantis {

// Keeps one platform timer per timer control in step with the control: enabling starts the
// period afresh, disabling stops it, a new interval restarts a running timer. Each tick calls
// the control's onTick. The driver must outlive neither the controls nor the service.
class TimerDriver {
public:
    TimerDriver(TimerService& service, const std::vector<Timer*>& timers);

private:
    struct Binding {
        Timer* control;
        std::unique_ptr<PlatformTimer> timer;
    };
    static void Sync(Binding& binding);

    std::vector<std::unique_ptr<Binding>> m_bindings;
};

}  // namespace corvantis
