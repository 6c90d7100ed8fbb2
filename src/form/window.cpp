#include "form/window.h"

namespace corvantis {

Window::Window() {
    for (Control* hidden : std::initializer_list<Control*>{
             &leapYearLabel,    &leapJuneNote,    &leapDecemberNote, &leapYear,
             &clockReplyLabel,  &clockReply,      &pcSeconds,        &ruleConfirmationLabel,
             &ruleConfirmation, &gpsTimeLabel,    &gpsTime,          &gpsPortLabel,
             &gpsPort,          &serialRateLabel, &serialRate,       &udpBroadcast,
             &udpAddressLabel,  &udpAddress,      &udpRateLabel,     &udpRate,
             &sendingOn,        &useGpsDate,      &batterySave,      &toMessageClocks,
             &rulesWithTime,    &autoStart,       &utcOrLocal[0],    &utcOrLocal[1],
             &motorOnLabel,     &motorOnHour,     &motorOffLabel,    &motorOffHour,
             &pauseTime,        &resumeTime,      &sendUtcTimeOnly,  &hideProgram}) {
        hidden->SetVisible(false);
    }
    replyWait.SetEnabled(false);
    sendAddress.SetToolTip("Set the address in one or more clocks.");
    sendRules.SetToolTip("Send Display Rules Using Current Clock Address");
    useThisZone.SetToolTip("Set the display rules from this PC's time zone");
    pauseTime.SetToolTip("Pause movement time updates until power cycle or Send command");
    resumeTime.SetToolTip("Resume Movement Time Updates");

    // The one list whose value is typed: a network address, with no entries to pick.
    udpAddress.SetTakesTyping(true);
    useGpsDate.SetValue(1);
    utcOrLocal[1].SetValue(true);
    for (const char* rate : kSendRates) {
        serialRate.AddItem(rate);
        udpRate.AddItem(rate);
    }
}

std::vector<Control*> Window::Controls() {
    // clang-format off
    return {
        &ruleFrame, &autoDaylightSaving, &zoneOffsetLabel, &zoneOffset, &dstStartLabel,
        &dstEndLabel, &startOccurrenceLabel, &endOccurrenceLabel, &startWeekdayLabel,
        &endWeekdayLabel, &startOfLabel, &endOfLabel, &startOrLabel, &endOrLabel,
        &startDayOfMonthLabel, &endDayOfMonthLabel, &startOccurrence, &startWeekday, &startMonth,
        &startDayOfMonth, &endOccurrence, &endWeekday, &endMonth, &endDayOfMonth, &changeHourLabel,
        &changeHour, &leapYearLabel, &leapJuneNote, &leapDecemberNote, &leapYear, &useThisZone,
        &heading, &subheading, &versionLabel, &pcTimeLabel, &pcTime, &pcLocalTime,
        &sentMessageLabel, &sentMessage, &broadcastTime, &clockPortLabel, &clockPort,
        &currentAddressLabel, &currentAddress, &newAddressLabel, &newAddress, &sendAddress,
        &sendRules, &closeAndExit, &pleaseWait, &clockReplyLabel, &clockReply, &pcSeconds,
        &ruleConfirmationLabel, &ruleConfirmation, &gpsTimeLabel, &gpsTime, &gpsPortLabel, &gpsPort,
        &serialRateLabel, &serialRate, &udpBroadcast, &udpAddressLabel, &udpAddress, &udpRateLabel,
        &udpRate, &sendingOn, &useGpsDate, &batterySave, &toMessageClocks, &rulesWithTime,
        &autoStart, &utcOrLocal[0], &utcOrLocal[1], &motorOnLabel, &motorOnHour, &motorOffLabel,
        &motorOffHour, &pauseTime, &resumeTime, &sendUtcTimeOnly, &hideProgram, &sendTick,
        &displayTick, &secondTick, &commandWindow
    };
    // clang-format on
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
