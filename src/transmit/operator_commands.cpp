#include "transmit/operator_commands.h"

#include "platform/text_number.h"
#include "transmit/transmission_tick.h"

namespace corvantis {

namespace {

constexpr std::int16_t kModeAddressed = 0;
constexpr std::int16_t kModeRules = 1;
constexpr std::int16_t kModeTimeOnly = 3;

// Shows "Please Wait!" and (re)starts the 6-second command window.
void OpenCommandWindow(Window& window) {
    window.Label33.SetVisible(true);
    window.Timer3.SetEnabled(true);
    window.Text3.SetText("");
}

}  // namespace

void Command3_Click(Window& window, Services&) {
    window.sendMode = kModeAddressed;
}

void Command5_Click(Window& window, Services&) {
    window.sendMode = kModeTimeOnly;
}

void Command6_Click(Window& window, Services&) {
    window.sendMode = kModeTimeOnly;
    window.Text3.SetText("");
}

void Command2_Click(Window& window, Services&) {
    window.sendMode = LeadingNumber(window.CurrAddress.Text()) == 0 ? kModeRules : kModeAddressed;
    OpenCommandWindow(window);
}

void SendAddr_Click(Window& window, Services&) {
    window.setAddressFlag = 1;
    window.sendMode = kModeAddressed;
    OpenCommandWindow(window);
}

void Timer3_Timer(Window& window, Services&) {
    window.Label33.SetVisible(false);
    window.Timer3.SetEnabled(false);
    window.sendMode = kModeTimeOnly;
    window.setAddressFlag = 0;
}

void Timer2_Timer(Window&, Services&) {}

void AttachTransmitHandlers(Window& window, Services& services) {
    const auto bind = [&window, &services](Handler handler) {
        return Bind(handler, window, services);
    };
    window.SendUDP.onTick = bind(SendUDP_Timer);
    window.Timer2.onTick = bind(Timer2_Timer);
    window.Timer3.onTick = bind(Timer3_Timer);
    window.Command3.onClick = bind(Command3_Click);
    window.Command5.onClick = bind(Command5_Click);
    window.Command6.onClick = bind(Command6_Click);
    window.Command2.onClick = bind(Command2_Click);
    window.SendAddr.onClick = bind(SendAddr_Click);
}

}  // namespace corvantis
