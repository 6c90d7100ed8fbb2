#include "program/rule_check_report.h"

#include <charconv>

#include "form/pick_lists.h"
#include "platform/failure.h"
#include "protocol/daylight_saving.h"
#include "protocol/rule_check.h"
#include "protocol/wire_decoder.h"
#include "settings/key_table.h"
#include "transmit/transmission_tick.h"

namespace corvantis {

namespace {

constexpr const char* kMonths[12] = {"January",   "February", "March",    "April",
                                     "May",       "June",     "July",     "August",
                                     "September", "October",  "November", "December"};

// The stored index of a list, or -1 (no selection) when start-up would refuse it.
int StoredIndex(SettingsFiles& settings, Setting setting) {
    const IniKey& key = KeyOf(setting);
    const int entries = key.list != nullptr ? static_cast<int>(EntriesOf(key.list).size())
                                            : 3;  // a check box: 0, 1 or 2
    try {
        const int index = NumberRule(ReadStored(settings, setting));
        return index >= -1 && index < entries ? index : -1;
    } catch (const Failure&) {
        return -1;
    }
}

std::string DateInWords(std::int64_t utc, const std::vector<OffsetChange>& pc) {
    const DateTime t = FromEpochSeconds(utc + OffsetAt(pc, utc) * 60LL);
    return std::to_string(t.day) + " " + kMonths[t.month - 1] + " " + std::to_string(t.year);
}

// Sets the rule controls to `rules` as the operator would (the leap-second year stays), each
// saved as its own handler saves it.
void SetRuleControls(Window& w, SettingsFiles& settings, const DisplayRules& rules) {
    auto pick = [&](ComboBox& list, int index, Setting setting) {
        SkipSilently([&] { list.SetListIndex(index); });
        SkipSilently([&] { SaveSetting(w, settings, setting); });
    };
    pick(w.zoneOffset, (rules.offsetMinutes + 12 * 60) / 30, Setting::TZhouroffset);
    SkipSilently([&] { w.autoDaylightSaving.SetValue(rules.daylightSaving ? 1 : 0); });
    if (!rules.daylightSaving) {
        return;
    }
    struct Change {
        const ChangeRule& rule;
        ComboBox& day;
        ComboBox& month;
        ComboBox& occurrence;
        ComboBox& weekday;
        Setting monthKey, occurrenceKey, weekdayKey;
    };
    const Change changes[] = {
        {rules.start, w.startDayOfMonth, w.startMonth, w.startOccurrence, w.startWeekday,
         Setting::DSTstartMon, Setting::DSTstartoccur, Setting::DSTstartDOW},
        {rules.end, w.endDayOfMonth, w.endMonth, w.endOccurrence, w.endWeekday, Setting::DSTendMon,
         Setting::DSTendoccur, Setting::DSTendDOW},
    };
    for (const Change& change : changes) {
        const bool fixed = change.rule.form == ChangeRule::Form::FixedDate;
        pick(change.month, change.rule.month - 1, change.monthKey);
        if (!fixed) {
            pick(change.occurrence, change.rule.occurrence - 1, change.occurrenceKey);
            pick(change.weekday, change.rule.weekday - 1, change.weekdayKey);
        }
        // The day list saves itself on its click, and enables or disables the rule lists.
        SkipSilently([&] { change.day.SetListIndex(fixed ? change.rule.day : 0); });
    }
    pick(w.changeHour, rules.changeHour, Setting::DSThour);
}

}  // namespace

DisplayRuleFields StoredDisplayRuleFields(SettingsFiles& settings) {
    DaylightSavingSelection s;
    const int autoDaylightSaving = StoredIndex(settings, Setting::DSTenabled);
    s.autoDaylightSaving = autoDaylightSaving < 0 ? 0 : autoDaylightSaving;
    s.startOccurrence = StoredIndex(settings, Setting::DSTstartoccur);
    s.startWeekday = StoredIndex(settings, Setting::DSTstartDOW);
    s.startMonth = StoredIndex(settings, Setting::DSTstartMon);
    s.endOccurrence = StoredIndex(settings, Setting::DSTendoccur);
    s.endWeekday = StoredIndex(settings, Setting::DSTendDOW);
    s.endMonth = StoredIndex(settings, Setting::DSTendMon);
    s.startDay = StoredIndex(settings, Setting::DSTstartDOM);
    s.endDay = StoredIndex(settings, Setting::DSTendDOM);
    s.changeHour = StoredIndex(settings, Setting::DSThour);
    const int offset = StoredIndex(settings, Setting::TZhouroffset);
    const OffsetFields offsetFields =
        EncodeOffset(offset < 0 ? "0" : EntriesOf(&Window::zoneOffset)[offset]);
    const DaylightSavingFields dst = EncodeDaylightSaving(s);
    return {offsetFields.tzHours, offsetFields.tzHalf,
            dst.dstStart,         dst.dstEnd,
            dst.dstHour,          EncodeLeapYear(StoredIndex(settings, Setting::LeapSec))};
}

RuleCheckResult CheckRules(const DisplayRuleFields& fields, const TimeZone& zone,
                           std::int64_t fromUtc, int years) {
    RuleCheckResult result;
    // The clocks' side: the rules as a clock reads them from the message that carries them.
    const auto message = DecodeMessage(RulesMessage(FromEpochSeconds(fromUtc), fields));
    if (!message || !message->Sound()) {
        std::string why = message ? message->problems.front() : "the message is not framed";
        result.report =
            "The display rules cannot be checked: the clocks would refuse them (" + why + ").\n";
        result.warning = "The clocks would refuse these display rules: " + why;
        return result;
    }
    const DisplayRules& rules = message->rules;
    DateTime end = FromEpochSeconds(fromUtc);
    end.year += years;
    const std::int64_t toUtc = ToEpochSeconds(end);
    const std::vector<OffsetChange> pc = zone.OffsetsBetween(fromUtc, toUtc);
    const std::vector<RuleDifference> differences = CompareRules(rules, pc, toUtc);
    result.agree = differences.empty();

    const std::string span = "from " + DateInWords(fromUtc, pc) + " for " + std::to_string(years) +
                             (years == 1 ? " year" : " years");
    result.report = "Display rules: " + RulesInWords(rules) + "\n" +
                    "This PC's time zone: " + zone.Name() + "\n";
    if (result.agree) {
        result.report += "The clocks agree with this PC " + span + ".\n";
        return result;
    }
    result.report += "The clocks disagree with this PC " + span + ":\n";
    for (const RuleDifference& difference : differences) {
        result.report += "  " + DifferenceInWords(difference, pc) + "\n";
    }
    const ZoneRules closest = RulesFromZone(pc);
    result.report +=
        "The display rules closest to this PC's time zone: " + RulesInWords(closest.rules) + "\n";
    for (const std::string& reason : closest.notExpressible) {
        result.report += "  They cannot express it exactly: " + reason + ".\n";
    }
    result.warning = DifferenceInWords(differences.front(), pc);
    if (differences.size() > 1) {
        result.warning += " (and " + std::to_string(differences.size() - 1) + " more time" +
                          (differences.size() > 2 ? "s" : "") + " in the next " +
                          std::to_string(years) + (years == 1 ? " year" : " years") + ")";
    }
    result.warning += ": the display rules do not match this PC's time zone " + zone.Name() + ".";
    return result;
}

void AfterRuleChanges(Window& w, const std::function<void()>& recheck) {
    auto chain = [&recheck](std::function<void()>& reaction) {
        reaction = [previous = reaction, recheck] {
            if (previous) {
                previous();
            }
            recheck();
        };
    };
    for (ComboBox* list : {&w.zoneOffset, &w.endWeekday, &w.endMonth, &w.endOccurrence,
                           &w.startMonth, &w.startWeekday, &w.startOccurrence, &w.changeHour}) {
        chain(list->onLostFocus);
    }
    chain(w.startDayOfMonth.onClick);
    chain(w.endDayOfMonth.onClick);
    chain(w.autoDaylightSaving.onClick);
}

void UseThisPcsTimeZone(Window& w, SettingsFiles& settings, StatusLine& status,
                        const TimeZone& zone, std::int64_t nowUtc) {
    constexpr int kYears = 5;
    DateTime end = FromEpochSeconds(nowUtc);
    end.year += kYears;
    ZoneRules closest;
    try {
        closest = RulesFromZone(zone.OffsetsBetween(nowUtc, ToEpochSeconds(end)));
    } catch (const Failure& failure) {
        status.ShowWarning("This PC's time zone cannot be read: " + failure.description());
        return;
    }
    SetRuleControls(w, settings, closest.rules);
    const std::string inWords = RulesInWords(closest.rules);
    if (closest.notExpressible.empty()) {
        status.ShowWarning("Display rules set from this PC's time zone " + zone.Name() + ": " +
                           inWords + ".");
        return;
    }
    std::string why;
    for (const std::string& reason : closest.notExpressible) {
        why += (why.empty() ? "" : "; ") + reason;
    }
    status.ShowWarning("This PC's time zone " + zone.Name() +
                       " cannot be expressed by the display rules: " + why +
                       ". The closest rules are set: " + inWords + ".");
}

int PrintRuleCheck(SettingsFiles& settings, const WallClock& clock, const TimeZone& zone, int years,
                   std::ostream& out, std::ostream& err) {
    try {
        const RuleCheckResult result =
            CheckRules(StoredDisplayRuleFields(settings), zone, EpochSeconds(clock), years);
        out << "Settings in " << settings.Folder() << '\n' << result.report;
        return result.agree ? 0 : 1;
    } catch (const Failure& failure) {
        err << "The display rules were not checked: " << failure.description() << '\n';
        return 2;
    }
}

std::string RuleDifferenceWarning(const Window& window, const TimeZone& zone, std::int64_t nowUtc) {
    constexpr int kWarningYears = 5;
    try {
        return CheckRules(DisplayRuleFieldsOf(window), zone, nowUtc, kWarningYears).warning;
    } catch (const Failure& failure) {
        return "The display rules were not checked: " + failure.description();
    }
}

}  // namespace corvantis
