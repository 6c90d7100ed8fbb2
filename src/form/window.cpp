#include "form/window.h"

namespace corvantis {

Window::Window() {
    for (Control* hidden : std::initializer_list<Control*>{
             &Label17, &Label12,   &Label32,    &Combo14,    &Label25,    &Text3,
             &Text4,   &Label24,   &Text2,      &Label7,     &txtGPStime, &Label1,
             &Combo1,  &Label11,   &SerialRate, &Check1,     &Label4,     &UDPaddress,
             &Label9,  &UDPrate,   &Check2,     &Check3,     &Check4,     &Check5,
             &Check6,  &AutoStart, &Option1[0], &Option1[1], &Label13,    &Combo3,
             &Label14, &Combo4,    &Command3,   &Command5,   &Command6,   &Command4}) {
        hidden->SetVisible(false);
    }
    ReplyWait.SetEnabled(false);
    SendAddr.SetToolTip("Set the address in one or more clocks.");
    Command2.SetToolTip("Send Display Rules Using Current Clock Address");
    UseZone.SetToolTip("Set the display rules from this PC's time zone");
    Command3.SetToolTip("Pause movement time updates until power cycle or Send command");
    Command5.SetToolTip("Resume Movement Time Updates");

    // The one list whose value is typed: a network address, with no entries to pick.
    UDPaddress.SetTakesTyping(true);
    Check3.SetValue(1);
    Option1[1].SetValue(true);
    for (const char* rate : kSendRates) {
        SerialRate.AddItem(rate);
        UDPrate.AddItem(rate);
    }
}

std::vector<Control*> Window::Controls() {
    return {&Frame1,     &Check7,       &Label15,    &HourOffset, &Label29,    &Label30,  &Label18,
            &Label21,    &Label19,      &Label22,    &Label26,    &Label20,    &Label27,  &Label28,
            &Label31,    &Label23,      &Combo12,    &Combo11,    &Combo10,    &Combo7,   &Combo9,
            &Combo5,     &Combo6,       &Combo8,     &Label16,    &Combo13,    &Label17,  &Label12,
            &Label32,    &Combo14,      &UseZone,    &Label6,     &Label5,     &Label2,   &Label8,
            &txtPCtime,  &txtLocalTime, &Label3,     &Text1,      &Check8,     &Label10,  &Combo2,
            &Label34,    &CurrAddress,  &Label35,    &NewAddress, &SendAddr,   &Command2, &Command1,
            &Label33,    &Label25,      &Text3,      &Text4,      &Label24,    &Text2,    &Label7,
            &txtGPStime, &Label1,       &Combo1,     &Label11,    &SerialRate, &Check1,   &Label4,
            &UDPaddress, &Label9,       &UDPrate,    &Check2,     &Check3,     &Check4,   &Check5,
            &Check6,     &AutoStart,    &Option1[0], &Option1[1], &Label13,    &Combo3,   &Label14,
            &Combo4,     &Command3,     &Command5,   &Command6,   &Command4,   &SendUDP,  &Timer1,
            &Timer2,     &Timer3};
}

Control* Window::Find(const std::string& name) {
    for (Control* control : Controls()) {
        if (control->Name() == name) {
            return control;
        }
    }
    return nullptr;
}

}  // namespace corvantis
