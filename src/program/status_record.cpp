#include "program/status_record.h"

#include <cstdio>
#include <sstream>

#include "platform/date_time.h"
#include "program/status_json.h"
#include "program/status_metrics.h"

namespace corvantis {

namespace {

// A record this much older than the longest pause between two writes is stale.
constexpr std::int64_t kStaleAfterSeconds = 2 * kStatusRefreshSeconds;

std::string IsoTime(std::int64_t seconds) {
    // Written with snprintf's integer conversions only: no locale reaches them.
    const DateTime t = FromEpochSeconds(seconds);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return text;
}

void PutTime(JsonWriter& json, const char* name, const std::optional<std::int64_t>& at) {
    if (at) {
        json.Number(name, static_cast<double>(*at));
        json.String(std::string(name) + "_text", IsoTime(*at));
    } else {
        json.Null(name);
    }
}

void PutWarnings(JsonWriter& json, const std::vector<StatusWarning>& warnings) {
    json.BeginArray("warnings");
    for (const StatusWarning& w : warnings) {
        json.BeginObject();
        json.String("key", w.key);
        json.String("text", w.text);
        json.String("file", w.file);
        json.String("setting", w.setting);
        json.EndObject();
    }
    json.EndArray();
}

StatusWarning ReadWarning(const JsonValue& value) {
    return {value.Text("key"), value.Text("text"), value.Text("file"), value.Text("setting")};
}

}  // namespace

std::string MessageKind(const std::string& message) {
    constexpr std::size_t kLocalLength = 15;
    constexpr std::size_t kKindAt = 24;
    if (message.size() == kLocalLength) {
        return "local time";
    }
    if (message.size() <= kKindAt) {
        return "other";
    }
    switch (message[kKindAt]) {
        case '1':
            return "time";
        case '2':
            return "rules";
        case '3':
            return "command";
        default:
            return "other";
    }
}

std::string StatusJson(const StatusRecord& r) {
    JsonWriter json;
    json.BeginObject();
    json.String("version", r.version);
    json.String("program", r.program);
    json.Number("process_id", static_cast<double>(r.processId));
    json.String("settings_folder", r.settingsFolder);
    json.Bool("running", r.running);
    PutTime(json, "started", r.startedAt);
    PutTime(json, "written", r.writtenAt);
    json.String("port", r.port);
    json.String("port_state", r.portState);
    json.Bool("sending", r.sending);
    json.String("not_sending", r.notSending);
    json.String("not_sending_file", r.notSendingFile);
    json.String("not_sending_setting", r.notSendingSetting);
    PutTime(json, "last_sent", r.lastSentAt);
    json.String("last_sent_kind", r.lastSentKind);
    json.String("last_message", r.lastMessage);
    PutTime(json, "last_reply", r.lastReplyAt);
    json.String("reply", r.lastReply);
    PutWarnings(json, r.warnings);
    json.String("display_rules", r.rules);
    json.String("pc_clock", r.clockSync);
    if (r.clockErrorSeconds) {
        json.Number("pc_clock_error_seconds", *r.clockErrorSeconds);
    } else {
        json.Null("pc_clock_error_seconds");
    }
    json.Number("messages_sent", static_cast<double>(r.sent));
    json.Number("messages_dropped", static_cast<double>(r.dropped));
    json.Number("reconnects", static_cast<double>(r.reconnects));
    json.EndObject();
    return json.Text();
}

std::optional<StatusRecord> ParseStatusJson(const std::string& text) {
    const std::optional<JsonValue> parsed = ParseJson(text);
    if (!parsed || parsed->kind != JsonValue::Kind::Object || !parsed->Has("written")) {
        return std::nullopt;
    }
    const JsonValue& v = *parsed;
    StatusRecord r;
    r.version = v.Text("version");
    r.program = v.Text("program");
    r.processId = v.Integer("process_id").value_or(0);
    r.settingsFolder = v.Text("settings_folder");
    r.running = v.Flag("running", true);
    r.startedAt = v.Integer("started").value_or(0);
    r.writtenAt = v.Integer("written").value_or(0);
    r.port = v.Text("port");
    r.portState = v.Text("port_state");
    r.sending = v.Flag("sending", false);
    r.notSending = v.Text("not_sending");
    r.notSendingFile = v.Text("not_sending_file");
    r.notSendingSetting = v.Text("not_sending_setting");
    r.lastSentAt = v.Integer("last_sent");
    r.lastSentKind = v.Text("last_sent_kind");
    r.lastMessage = v.Text("last_message");
    r.lastReplyAt = v.Integer("last_reply");
    r.lastReply = v.Text("reply");
    if (const JsonValue* warnings = v.Member("warnings")) {
        for (const JsonValue& each : warnings->items) {
            r.warnings.push_back(ReadWarning(each));
        }
    }
    r.rules = v.Text("display_rules");
    r.clockSync = v.Text("pc_clock");
    r.clockErrorSeconds = v.Real("pc_clock_error_seconds");
    r.sent = static_cast<std::uint64_t>(v.Integer("messages_sent").value_or(0));
    r.dropped = static_cast<std::uint64_t>(v.Integer("messages_dropped").value_or(0));
    r.reconnects = static_cast<std::uint64_t>(v.Integer("reconnects").value_or(0));
    return r;
}

namespace {

std::string Ago(std::int64_t seconds) {
    if (seconds < 0) {
        seconds = 0;
    }
    if (seconds < 120) {
        return std::to_string(seconds) + " s ago";
    }
    if (seconds < 2 * 3600) {
        return std::to_string(seconds / 60) + " min ago";
    }
    return std::to_string(seconds / 3600) + " h ago";
}

std::string PerformanceData(const StatusRecord& r, std::int64_t now) {
    return " | sent=" + std::to_string(r.sent) + "c dropped=" + std::to_string(r.dropped) +
           "c reconnects=" + std::to_string(r.reconnects) +
           "c warnings=" + std::to_string(r.warnings.size()) +
           " age=" + std::to_string(now - r.writtenAt) + "s";
}

std::string SendingLine(const StatusRecord& r, std::int64_t now) {
    std::string line = "sending to " + r.port + ", ";
    line += r.lastSentAt ? "last message " + Ago(now - *r.lastSentAt) : "no message yet";
    return line;
}

StatusVerdict Verdict(PluginState state, const std::string& text) {
    static const char* const kWords[] = {"OK", "WARNING", "CRITICAL", "UNKNOWN"};
    return {state, std::string("CORVANTIS ") + kWords[static_cast<int>(state)] + " - " + text};
}

// The verdict on a record whose program may run: stale, not sending, warned or well.
StatusVerdict JudgeRunning(const StatusRecord& r, std::int64_t now) {
    const std::int64_t age = now - r.writtenAt;
    if (age > kStaleAfterSeconds) {
        return Verdict(PluginState::Critical, "status not written for " + std::to_string(age) +
                                                  " s (last at " + IsoTime(r.writtenAt) +
                                                  "); the program holds its settings folder");
    }
    if (!r.running) {
        return Verdict(PluginState::Unknown, "starting: no status from the running copy yet");
    }
    if (!r.sending) {
        return Verdict(PluginState::Critical, "not sending: " + r.notSending);
    }
    if (!r.warnings.empty()) {
        const std::string count = std::to_string(r.warnings.size()) +
                                  (r.warnings.size() == 1 ? " warning: " : " warnings, first: ");
        return Verdict(PluginState::Warning,
                       SendingLine(r, now) + "; " + count + r.warnings[0].text);
    }
    return Verdict(PluginState::Ok, SendingLine(r, now));
}

}  // namespace

StatusVerdict JudgeStatus(const std::optional<StatusRecord>& record, std::int64_t now,
                          Holder holder, const std::string& settingsFolder) {
    if (!record) {
        const char* running = holder == Holder::Running      ? "running, but no status in "
                              : holder == Holder::NotRunning ? "not running, no status in "
                                                             : "no status in ";
        return Verdict(PluginState::Unknown, running + settingsFolder);
    }
    const bool mayRun = holder == Holder::Running || (holder == Holder::Unknown && record->running);
    StatusVerdict verdict =
        mayRun ? JudgeRunning(*record, now)
               : Verdict(PluginState::Unknown,
                         "not running (last status at " + IsoTime(record->writtenAt) + ", " +
                             (record->running ? "not stopped cleanly" : "stopped") + ")");
    verdict.firstLine += PerformanceData(*record, now);
    return verdict;
}

namespace {

void Fact(std::ostringstream& out, const char* name, const std::string& value) {
    out << name << std::string(16 - std::string(name).size(), ' ') << value << '\n';
}

std::string TimeAndAge(std::int64_t at, std::int64_t now) {
    return IsoTime(at) + " (" + Ago(now - at) + ")";
}

std::string WhereHeld(const std::string& file, const std::string& setting) {
    if (file.empty()) {
        return {};
    }
    return " (" + (setting.empty() ? "" : setting + " in ") + file + ")";
}

void WarningFacts(std::ostringstream& out, const StatusRecord& r) {
    if (r.warnings.empty()) {
        Fact(out, "Warnings:", "none");
    }
    for (const StatusWarning& w : r.warnings) {
        Fact(out, "Warning:", w.key + ": " + w.text + WhereHeld(w.file, w.setting));
    }
}

}  // namespace

std::string StatusReport(const StatusVerdict& verdict, const std::optional<StatusRecord>& record,
                         std::int64_t now) {
    std::ostringstream out;
    out << verdict.firstLine << '\n';
    if (!record) {
        return out.str();
    }
    const StatusRecord& r = *record;
    Fact(out, "Program:",
         r.program + " " + r.version + ", process " + std::to_string(r.processId) + ", started " +
             TimeAndAge(r.startedAt, now) + (r.running ? "" : ", stopped"));
    Fact(out, "Settings:", r.settingsFolder);
    Fact(out, "Status written:", TimeAndAge(r.writtenAt, now));
    Fact(out, "Port:", r.port + ", " + r.portState);
    Fact(out, "Sending:",
         r.sending ? "yes"
                   : "no: " + r.notSending + WhereHeld(r.notSendingFile, r.notSendingSetting));
    Fact(out, "Last message:",
         r.lastSentAt
             ? r.lastSentKind + ", " + TimeAndAge(*r.lastSentAt, now) + " [" + r.lastMessage + "]"
             : "none");
    Fact(out, "Last reply:",
         r.lastReplyAt ? TimeAndAge(*r.lastReplyAt, now) + " [" + r.lastReply + "]" : "none");
    Fact(out, "Display rules:",
         r.rules == "agree" ? "agree with this PC's time zone"
                            : r.rules + " from this PC's time zone");
    std::string clock = r.clockSync;
    if (r.clockErrorSeconds) {
        clock += " (estimated error " + FixedText(*r.clockErrorSeconds, 3) + " s)";
    }
    Fact(out, "PC clock:", clock);
    WarningFacts(out, r);
    Fact(out, "Counts:",
         std::to_string(r.sent) + " messages sent, " + std::to_string(r.dropped) + " dropped, " +
             std::to_string(r.reconnects) + " reconnects");
    return out.str();
}

}  // namespace corvantis
