#include "transmit_setup.h"

#include "support/started_window.h"
#include "transmit/operator_commands.h"

namespace corvantis::testing {

void SetUpAsStarted(Window& w, FakePlatform& platform) {
    FillPickLists(w);
    SelectDefaultRules(w);
    w.sendingOn.SetValue(1);
    w.rulesWithTime.SetValue(1);
    w.broadcastTime.SetValue(1);
    w.utcOrLocal[0].SetValue(true);
    w.useUtc = true;
    w.sendMode = SendMode::TimeOnly;
    w.setAddressFlag = 0;
    w.pleaseWait.SetVisible(false);
    platform.port.SetPortOpen(true);
}

TransmitRig::TransmitRig(const DateTime& local, int millis, std::chrono::minutes utcOffset) {
    platform.clock.SetUtcOffset(utcOffset);
    platform.clock.SetLocal(local, millis);
    SetUpAsStarted(window, platform);
    AttachTransmitHandlers(window, platform.line);
    driver = std::make_unique<TimerDriver>(
        platform.timers, std::vector<Timer*>{&window.sendTick, &window.displayTick,
                                             &window.secondTick, &window.commandWindow});
}

void TransmitRig::RunUntil(const DateTime& local, int millis) {
    FakeClock target;
    target.SetUtcOffset(platform.clock.UtcOffset());
    target.SetLocal(local, millis);
    platform.timers.RunFor(target.UtcMillis() - platform.clock.UtcMillis());
}

std::vector<std::string> TransmitRig::Written() const {
    std::vector<std::string> messages;
    for (const auto& write : platform.port.writes) {
        messages.push_back(write.bytes);
    }
    return messages;
}

}  // namespace corvantis::testing
