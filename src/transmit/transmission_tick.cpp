#include "transmit/transmission_tick.h"

#include <chrono>
#include <string>

#include "platform/failure.h"
#include "platform/serial_port.h"
#include "protocol/messages.h"

namespace corvantis {

namespace {

// How far into its even second a message may still be written. A clock takes the message as
// the time at the start of that second, so a message written later sets it behind by as much,
// until the next one. 200 ms is beyond the few milliseconds a tick on a wall-clock aligned
// timer needs even on a busy PC, and beyond one period of the original 100 ms tick, so it
// only ever refuses a tick that was held up (a blocked thread, a start-up in mid-second);
// and it is below what an observer notices on a second hand that steps once a second.
constexpr std::chrono::milliseconds kLateMargin = std::chrono::milliseconds(200);

constexpr int kRatePerMinute = 1;
constexpr int kRatePerHour = 2;
constexpr int kRatePerDay = 3;

bool Checked(const CheckBox& box) {
    return box.Value() == 1;
}

DaylightSavingSelection SelectionOf(const Window& w) {
    DaylightSavingSelection s;
    s.autoDaylightSaving = w.autoDaylightSaving.Value();
    s.startDay = w.startDayOfMonth.ListIndex();
    s.startMonth = w.startMonth.ListIndex();
    s.startOccurrence = w.startOccurrence.ListIndex();
    s.startWeekday = w.startWeekday.ListIndex();
    s.endDay = w.endDayOfMonth.ListIndex();
    s.endMonth = w.endMonth.ListIndex();
    s.endOccurrence = w.endOccurrence.ListIndex();
    s.endWeekday = w.endWeekday.ListIndex();
    s.changeHour = w.changeHour.ListIndex();
    return s;
}

// The two-character slice of the local clock texts that the rate watches: seconds, minutes,
// hours or the day of the month. An unset rate, or one outside 0-3, watches the seconds.
std::string RateSlice(const std::optional<std::int16_t>& sendRate, const DateTime& local) {
    switch (sendRate.value_or(0)) {
        case kRatePerMinute:
            return TimeText(local).substr(3, 2);
        case kRatePerHour:
            return TimeText(local).substr(0, 2);
        case kRatePerDay:
            return DateText(local).substr(3, 2);
        default:
            return TimeText(local).substr(6, 2);
    }
}

// Whether `local` is an even second the tick has not handled yet; marks it handled.
bool NewEvenSecond(Window& window, const DateTime& local) {
    const int second = local.second;
    if (second % 2 != 0 || second == window.lastEvenSecond) {
        return false;
    }
    window.lastEvenSecond = static_cast<std::uint8_t>(second);
    return true;
}

// The message of the selected send mode into clockMessage; a mode without one leaves the last
// message standing. Returns the time the message carries: UTC, or the local reading when UTC
// is not selected or cannot be had.
DateTime BuildClockMessage(Window& window, const WallClock& clock, const DateTime& local) {
    if (!window.useUtc) {
        window.clockMessage = LocalTimeMessage(local);
        return local;
    }
    DateTime now = local;
    SkipSilently([&] { now = clock.LocalToUtc(local); });
    const DisplayRuleFields fields = DisplayRuleFieldsOf(window);
    SkipSilently([&] {
        switch (window.sendMode) {
            case SendMode::Rules:
                window.clockMessage = RulesMessage(now, fields);
                break;
            case SendMode::Addressed:
                window.clockMessage =
                    AddressedCommand(window.currentAddress.Text(), window.newAddress.Text(),
                                     window.setAddressFlag, fields);
                break;
            case SendMode::TimeOnly:
                window.clockMessage = TimeOnlyMessage(now);
                break;
            default:
                break;
        }
    });
    return now;
}

// Whether a reading `since` 1970 lies within kLateMargin of the start of its second.
bool OnTime(std::chrono::nanoseconds since) {
    const auto intoSecond = since - std::chrono::floor<std::chrono::seconds>(since);
    return intoSecond <= kLateMargin;
}

// Whether the rate's slice of `local` differs from the last due transmission's; a transmission
// is due then, and the new slice is remembered.
bool RateSliceChanged(Window& window, const DateTime& local) {
    std::string slice = RateSlice(window.sendRate, local);
    if (slice == window.lastRateMark) {
        return false;
    }
    window.lastRateMark = std::move(slice);
    return true;
}

// Writes clockMessage. A message the port drops for a full output buffer is counted; the
// first of a run shows one warning, the first message that goes out after the run shows a
// second one with the count. Every other failure is passed on.
void Send(Window& window, TransmitLine& line) {
    try {
        line.clockLine.Output(window.clockMessage);
    } catch (const Failure& failure) {
        if (failure.number() != port_error::kOutputBufferFull) {
            throw;
        }
        if (window.droppedMessages++ == 0) {
            line.status.ShowWarning("Clock messages are not going out: " + failure.description() +
                                    " Each message is dropped until the line takes them again.");
        }
        return;
    }
    if (window.droppedMessages > 0) {
        line.status.ShowWarning("Clock messages are going out again; " +
                                std::to_string(window.droppedMessages) +
                                " were dropped while the port's output buffer was full.");
        window.droppedMessages = 0;
    }
}

}  // namespace

bool MaySend(const Window& window, const SerialPort& port) {
    const bool portOpen = port.PortOpen();
    const bool sendingOn = Checked(window.sendingOn);
    const bool heldForMessageClocks = Checked(window.toMessageClocks);
    const bool rulesGoWithTime = Checked(window.rulesWithTime);
    const bool timeBroadcast = Checked(window.broadcastTime);
    const bool commandOrRules =
        static_cast<std::int16_t>(window.sendMode) < static_cast<std::int16_t>(SendMode::TimeOnly);
    return portOpen && sendingOn && !heldForMessageClocks && rulesGoWithTime &&
           (timeBroadcast || commandOrRules);
}

void OnSendTick(Window& window, TransmitLine& line) {
    // The fraction is read first: should the second change before the date-time is read, the
    // message counts as late (and waits for the next even second), never as on time.
    const std::chrono::nanoseconds since = line.clock.SinceEpoch();
    // Even-second gate: nine ticks in ten end here.
    const DateTime local = line.clock.Now();
    if (!NewEvenSecond(window, local)) {
        return;
    }
    const DateTime now = BuildClockMessage(window, line.clock, local);
    SkipSilently([&] { window.sentMessage.SetText(window.clockMessage); });
    SkipSilently([&] { window.pcSeconds.SetText(RightAligned(now.second, 2)); });
    // A late message is not written, and the rate's mark is not taken, so that the next
    // even second is due and carries it.
    const bool due = OnTime(since) && RateSliceChanged(window, local);
    SkipSilently([&] {
        if (due && MaySend(window, line.clockLine)) {
            Send(window, line);
        }
    });
}

DisplayRuleFields DisplayRuleFieldsOf(const Window& window) {
    DisplayRuleFields fields;
    SkipSilently([&] {
        OffsetFields offset = EncodeOffset(window.zoneOffset.Text());
        fields.tzHours = std::move(offset.tzHours);
        fields.tzHalf = std::move(offset.tzHalf);
    });
    SkipSilently([&] {
        DaylightSavingFields dst = EncodeDaylightSaving(SelectionOf(window));
        fields.dstStart = std::move(dst.dstStart);
        fields.dstEnd = std::move(dst.dstEnd);
        fields.dstHour = std::move(dst.dstHour);
    });
    SkipSilently([&] { fields.leapYear = EncodeLeapYear(window.leapYear.ListIndex()); });
    return fields;
}

}  // namespace corvantis
