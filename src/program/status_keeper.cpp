#include "program/status_keeper.h"

#include <chrono>

#include "platform/failure.h"
#include "platform/version.h"
#include "settings/key_table.h"
#include "transmit/transmission_tick.h"

namespace corvantis {

void CountingPort::SetPortOpen(bool open) {
    m_changing = true;
    try {
        Inner().SetPortOpen(open);
    } catch (...) {
        m_changing = false;
        throw;
    }
    m_changing = false;
}

void CountingPort::OnOpenChanged(bool open) {
    // Opened without the program asking: the port came back by itself.
    if (open && !m_changing) {
        ++reconnects;
    }
    NotifyOpenChanged(open);
}

void CountingPort::Output(std::string_view text) {
    try {
        Inner().Output(text);
    } catch (const Failure& failure) {
        if (failure.number() == port_error::kOutputBufferFull) {
            ++dropped;
        }
        throw;
    }
    ++sent;
    lastSentAt = EpochSeconds(m_clock);
    lastMessage = std::string(text);
}

namespace {

constexpr std::chrono::milliseconds kRefreshEvery{1000};

// What moved in the record since it was last written. Progress is the routine of sending: the
// counts of messages and the last message, once the first has gone out. Progress can wait a
// few seconds; any other change (the port, sending or not, a warning, a reply, a drop) cannot.
enum class Moved { Nothing, Progress, State };

Moved WhatMoved(const StatusRecord& written, StatusRecord now) {
    now.writtenAt = written.writtenAt;
    if (now == written) {
        return Moved::Nothing;
    }
    if (!written.lastSentAt) {
        return Moved::State;  // the first message out is news
    }
    now.sent = written.sent;
    now.lastSentAt = written.lastSentAt;
    now.lastSentKind = written.lastSentKind;
    now.lastMessage = written.lastMessage;
    return now == written ? Moved::Progress : Moved::State;
}

// The longest expected pause between two messages at the window's rate, in seconds.
std::int64_t RateInterval(const Window& w) {
    constexpr std::int64_t kIntervals[] = {2, 60, 3600, 86400};
    const int rate = w.sendRate.value_or(0);
    return rate >= 0 && rate <= 3 ? kIntervals[rate] : 2;
}

std::string PortName(const Window& w) {
    const std::string chosen = w.clockPort.Text();
    return chosen.empty() ? "None" : chosen;
}

// The file and "[Section] Key" of a stored setting.
std::pair<std::string, std::string> WhereStored(const SettingsFiles& settings, Setting setting) {
    const IniKey& key = KeyOf(setting);
    return {settings.PathOf(FileNameOf(key.file)), std::string("[") + key.section + "] " + key.key};
}

// Why a message due now would not go out, or empty text when it would; with the setting that
// holds the cause, where one does.
struct Blocked {
    std::string reason;
    std::optional<Setting> setting;
};

Blocked WhyNotSending(const Window& w, const SerialPort& port,
                      const ReconnectingPort* reconnecting) {
    const std::string name = PortName(w);
    if (w.sendingOn.Value() != 1) {
        return {"sending is switched off", Setting::SendSync};
    }
    if (name == "None") {
        return {"no serial port is chosen", Setting::SerialSyncComPort};
    }
    if (reconnecting != nullptr && reconnecting->Retrying()) {
        return {name + " went away (device removed?); trying to reopen it", std::nullopt};
    }
    if (!port.PortOpen()) {
        return {name + " is not open", Setting::SerialSyncComPort};
    }
    if (w.rulesWithTime.Value() != 1) {
        return {"\"" + w.rulesWithTime.Caption() + "\" is not checked", Setting::EnableOCXO};
    }
    if (w.toMessageClocks.Value() == 1) {
        return {"\"" + w.toMessageClocks.Caption() + "\" is checked", std::nullopt};
    }
    if (!MaySend(w, port)) {
        return {"broadcasting the time is paused", std::nullopt};
    }
    return {};
}

}  // namespace

StatusKeeper::StatusKeeper(SerialPort& port, const StatusSources& sources,
                           const StatusTargets& targets, const StatusIdentity& identity,
                           TimerService& timers)
    : m_port(port, sources.clock),
      m_sources(sources),
      m_targets(targets),
      m_identity(identity),
      m_timer(timers.CreateTimer([this] { Refresh(false); })),
      m_startedAt(EpochSeconds(sources.clock)) {
    Window& w = m_sources.window;
    w.clockReply.AddObserver([this, &w](ControlProperty property) {
        if (property == ControlProperty::Text && !w.clockReply.Text().empty()) {
            m_lastReplyAt = EpochSeconds(m_sources.clock);
            m_lastReply = w.clockReply.Text();
        }
    });
}

void StatusKeeper::Start() {
    Refresh(true);
    m_timer->Start(kRefreshEvery, true);
}

void StatusKeeper::Finish() {
    m_timer->Stop();
    m_finished = true;
    Refresh(true);
}

void StatusKeeper::Sending(StatusRecord& r) const {
    const Window& w = m_sources.window;
    Blocked blocked = WhyNotSending(w, m_port, m_sources.reconnecting);
    if (blocked.reason.empty() && w.droppedMessages > 0) {
        blocked.reason = "the port's output buffer is full: " + std::to_string(w.droppedMessages) +
                         " messages dropped in a row";
    }
    const std::int64_t quiet = r.writtenAt - (m_port.lastSentAt ? *m_port.lastSentAt : m_startedAt);
    const std::int64_t allowed = 2 * RateInterval(w) + 10;
    if (blocked.reason.empty() && quiet > allowed) {
        blocked.reason = "no message has gone out for more than " + std::to_string(allowed) + " s";
    }
    if (m_finished) {
        blocked = {"the program has ended", std::nullopt};
    }
    r.sending = blocked.reason.empty();
    r.notSending = blocked.reason;
    if (blocked.setting) {
        std::tie(r.notSendingFile, r.notSendingSetting) =
            WhereStored(m_sources.settings, *blocked.setting);
    }
}

void StatusKeeper::Concerns(StatusRecord& r) const {
    const std::string rules = m_warnings != nullptr ? m_warnings->RulesWarning() : std::string();
    r.rules = rules.empty() ? "agree" : "differ";
    if (!rules.empty()) {
        r.warnings.push_back({"rules", rules, m_sources.settings.PathOf(kDataIni), "[CommMethod]"});
    }
    r.clockSync = !m_clockSync.known         ? "unknown"
                  : m_clockSync.synchronised ? "synchronised"
                                             : "not synchronised";
    r.clockErrorSeconds = m_clockSync.estimatedErrorSeconds;
    if (const std::string clock = ClockSyncWarning(m_clockSync); !clock.empty()) {
        r.warnings.push_back({"pc-clock", clock, {}, {}});
    }
    const SettingsFiles& settings = m_sources.settings;
    if (settings.UnsavedWrites() > 0) {
        r.warnings.push_back({"settings-not-saved",
                              std::to_string(settings.UnsavedWrites()) +
                                  " settings could not be saved yet; they are written again "
                                  "each second",
                              settings.Folder(),
                              {}});
    }
}

StatusRecord StatusKeeper::Current() const {
    StatusRecord r;
    r.version = kVersionText;
    r.program = m_identity.program;
    r.processId = m_identity.processId;
    r.settingsFolder = m_sources.settings.Folder();
    r.startedAt = m_startedAt;
    r.writtenAt = EpochSeconds(m_sources.clock);
    r.running = !m_finished;
    r.port = PortName(m_sources.window);
    const bool retrying = m_sources.reconnecting != nullptr && m_sources.reconnecting->Retrying();
    r.portState = m_port.PortOpen() ? "open" : retrying ? "reopening" : "closed";
    Sending(r);
    r.lastSentAt = m_port.lastSentAt;
    r.lastMessage = m_port.lastMessage;
    r.lastSentKind = m_port.lastSentAt ? MessageKind(m_port.lastMessage) : std::string();
    r.lastReplyAt = m_lastReplyAt;
    r.lastReply = m_lastReply;
    Concerns(r);
    r.sent = m_port.sent;
    r.dropped = m_port.dropped;
    r.reconnects = m_port.reconnects;
    return r;
}

void StatusKeeper::Refresh(bool force) {
    const std::int64_t now = EpochSeconds(m_sources.clock);
    if (force || now - m_clockReadAt >= StandingWarnings::kClockCheckEvery.count() * 60) {
        m_clockSync = m_sources.clockSync.Read();
        m_clockReadAt = now;
    }
    StatusRecord record = Current();
    const std::int64_t age = now - m_written.writtenAt;
    const Moved moved = WhatMoved(m_written, record);
    const bool due =
        moved == Moved::State || (moved == Moved::Progress && age >= kStatusProgressSeconds);
    if (force || due || age >= kStatusRefreshSeconds) {
        Write(record);
    }
}

void StatusKeeper::Write(const StatusRecord& record) {
    m_written = record;
    std::string error;
    bool written =
        m_targets.files.Replace(m_sources.settings.PathOf(kStatusFile), StatusJson(record), error);
    if (written && !m_targets.metricsPath.empty()) {
        written = m_targets.files.Replace(m_targets.metricsPath, PrometheusText(record), error);
    }
    if (!written && !m_writeFailed) {
        m_targets.status.ShowWarning("Status not written: " + error);
    }
    m_writeFailed = !written;
}

}  // namespace corvantis
