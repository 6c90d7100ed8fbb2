#include "transmit/operator_commands.h"

#include "platform/text_number.h"
#include "transmit/transmission_tick.h"

namespace corvantis {

namespace {

// Shows "Please Wait!" and (re)starts the 6-second command window.
void OpenCommandWindow(Window& window) {
    window.Label33.SetVisible(true);
    window.Timer3.SetEnabled(true);
    window.Text3.SetText("");
}

}  // namespace

void Command3_Click(Window& window) {
    window.sendMode = SendMode::Addressed;
}

void Command5_Click(Window& window) {
    window.sendMode = SendMode::TimeOnly;
}

void Command6_Click(Window& window) {
    window.sendMode = SendMode::TimeOnly;
    window.Text3.SetText("");
}

void Command2_Click(Window& window) {
    window.sendMode =
        LeadingNumber(window.CurrAddress.Text()) == 0 ? SendMode::Rules : SendMode::Addressed;
    OpenCommandWindow(window);
}

void SendAddr_Click(Window& window) {
    window.setAddressFlag = 1;
    window.sendMode = SendMode::Addressed;
    OpenCommandWindow(window);
}

void Timer3_Timer(Window& window) {
    window.Label33.SetVisible(false);
    window.Timer3.SetEnabled(false);
    window.sendMode = SendMode::TimeOnly;
    window.setAddressFlag = 0;
}

void Timer2_Timer(Window&) {}

void AttachTransmitHandlers(Window& window, TransmitLine& line) {
    const auto bind = [&window](void (*handler)(Window&)) {
        return [handler, &window] { handler(window); };
    };
    window.SendUDP.onTick = [&window, &line] { SendUDP_Timer(window, line); };
    window.Timer2.onTick = bind(Timer2_Timer);
    window.Timer3.onTick = bind(Timer3_Timer);
    window.Command3.onClick = bind(Command3_Click);
    window.Command5.onClick = bind(Command5_Click);
    window.Command6.onClick = bind(Command6_Click);
    window.Command2.onClick = bind(Command2_Click);
    window.SendAddr.onClick = bind(SendAddr_Click);
}

}  // namespace corvantis
