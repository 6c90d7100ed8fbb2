#include "form/timer_driver.h"

#include <iostream>

namespace corvantis {

TimerDriver::TimerDriver(TimerService& service, const std::vector<Timer*>& timers,
                         HandlerGuard* guard) {
    if (guard == nullptr) {
        m_ownGuard = std::make_unique<HandlerGuard>(
            [](const std::string& text) { std::cerr << text << std::endl; });
        guard = m_ownGuard.get();
    }
    for (Timer* control : timers) {
        auto binding = std::make_unique<Binding>();
        binding->control = control;
        binding->timer = service.CreateTimerFor(control->Name(), [control, guard] {
            guard->Run(control->Name(), [control] { control->Tick(); });
        });
        Binding* raw = binding.get();
        control->AddObserver([raw](ControlProperty property) {
            if (property == ControlProperty::Enabled || property == ControlProperty::Timing) {
                Sync(*raw);
            }
        });
        Sync(*raw);
        m_bindings.push_back(std::move(binding));
    }
}

void TimerDriver::Sync(Binding& binding) {
    if (binding.control->Enabled() && binding.control->Interval().count() > 0) {
        binding.timer->Start(binding.control->Interval(), binding.control->AlignToWallClock());
    } else {
        binding.timer->Stop();
    }
}

}  // namespace corvantis
