// Runs the window's timer controls on a TimerService.
#pragma once

#include <memory>
#include <vector>

#include "form/controls.h"
#include "form/handler_guard.h"
#include "platform/timer_service.h"

namespace corvantis {

// Keeps one platform timer per timer control in step with the control: enabling starts the
// period afresh, disabling stops it, a new interval restarts a running timer. Each tick calls
// the control's onTick inside `guard` (named by the control), so an unexpected exception is
// logged and the timer goes on ticking; without a guard, a faulty tick is logged on standard
// error. The driver must outlive neither the controls nor the service, nor the guard.
class TimerDriver {
public:
    TimerDriver(TimerService& service, const std::vector<Timer*>& timers,
                HandlerGuard* guard = nullptr);

private:
    struct Binding {
        Timer* control;
        std::unique_ptr<PlatformTimer> timer;
    };
    static void Sync(Binding& binding);

    std::unique_ptr<HandlerGuard> m_ownGuard;
    std::vector<std::unique_ptr<Binding>> m_bindings;
};

}  // namespace corvantis
