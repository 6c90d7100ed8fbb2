#include "transmit/operator_commands.h"

#include "platform/text_number.h"
#include "transmit/transmission_tick.h"

namespace corvantis {

namespace {

// Shows "Please Wait!" and (re)starts the 6-second command window.
void OpenCommandWindow(Window& window) {
    window.pleaseWait.SetVisible(true);
    window.commandWindow.SetEnabled(true);
    window.clockReply.SetText("");
}

}  // namespace

void OnPauseTime(Window& window) {
    window.sendMode = SendMode::Addressed;
}

void OnResumeTime(Window& window) {
    window.sendMode = SendMode::TimeOnly;
}

void OnSendUtcTimeOnly(Window& window) {
    window.sendMode = SendMode::TimeOnly;
    window.clockReply.SetText("");
}

void OnSendRules(Window& window) {
    window.sendMode =
        LeadingNumber(window.currentAddress.Text()) == 0 ? SendMode::Rules : SendMode::Addressed;
    OpenCommandWindow(window);
}

void OnSendAddress(Window& window) {
    window.setAddressFlag = 1;
    window.sendMode = SendMode::Addressed;
    OpenCommandWindow(window);
}

void OnCommandWindowEnd(Window& window) {
    window.pleaseWait.SetVisible(false);
    window.commandWindow.SetEnabled(false);
    window.sendMode = SendMode::TimeOnly;
    window.setAddressFlag = 0;
}

void OnSecondTick(Window&) {}

void AttachTransmitHandlers(Window& window, TransmitLine& line) {
    const auto bind = [&window](void (*handler)(Window&)) {
        return [handler, &window] { handler(window); };
    };
    window.sendTick.onTick = [&window, &line] { OnSendTick(window, line); };
    window.secondTick.onTick = bind(OnSecondTick);
    window.commandWindow.onTick = bind(OnCommandWindowEnd);
    window.pauseTime.onClick = bind(OnPauseTime);
    window.resumeTime.onClick = bind(OnResumeTime);
    window.sendUtcTimeOnly.onClick = bind(OnSendUtcTimeOnly);
    window.sendRules.onClick = bind(OnSendRules);
    window.sendAddress.onClick = bind(OnSendAddress);
}

}  // namespace corvantis
