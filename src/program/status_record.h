// What the running program knows about itself, as one record: written to "status.json" in the
// settings folder for people and checks to read, and as a Prometheus text file for monitoring.
// Nothing in it is secret: no setting beyond the port's name, no credentials, no host data.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvantis {

// The record's file, named as the settings files are appended to the settings folder.
inline constexpr std::string_view kStatusFile = "\\status.json";

// A running program writes the record at least this often, so one older than twice this (a
// minute) means the program stopped writing it.
inline constexpr std::int64_t kStatusRefreshSeconds = 30;

// When only the counts and the last message moved, the record is written at most this often:
// every third message at the fastest rate. A disk (or the SD card of a small closet machine)
// is then written a third as often as messages go out, and the record is still fresher than a
// Prometheus scrape; a change of state is written within the second.
inline constexpr std::int64_t kStatusProgressSeconds = 6;

// A concern that stands until its cause goes away. `key` is a fixed word naming the concern
// ("rules", "pc-clock", "settings-not-saved", ...); `file` and `setting` name where the cause
// is held ("Corvantis.ini" path and "[SerialSync] COMPORT"), empty when no file holds it.
struct StatusWarning {
    std::string key;
    std::string text;
    std::string file;
    std::string setting;
    friend bool operator==(const StatusWarning&, const StatusWarning&) = default;
};

// Every time is whole seconds since 1 January 1970 UTC.
struct StatusRecord {
    std::string version;
    std::string program;  // "window" or "headless"
    std::int64_t processId = 0;
    std::string settingsFolder;
    std::int64_t startedAt = 0;
    std::int64_t writtenAt = 0;
    bool running = true;  // false in the last record, written at "Close and Exit"

    std::string port;        // the chosen port's name, "COM5", or "None"
    std::string portState;   // "open", "reopening", "closed"
    bool sending = false;    // messages go out as the rate asks
    std::string notSending;  // why not, when not sending (one sentence)
    std::string notSendingFile;
    std::string notSendingSetting;

    std::optional<std::int64_t> lastSentAt;
    std::string lastSentKind;  // "time", "rules", "command", "local time"
    std::string lastMessage;
    std::optional<std::int64_t> lastReplyAt;
    std::string lastReply;

    std::vector<StatusWarning> warnings;
    std::string rules;      // "agree", "differ"
    std::string clockSync;  // "synchronised", "not synchronised", "unknown"
    std::optional<double> clockErrorSeconds;

    std::uint64_t sent = 0;
    std::uint64_t dropped = 0;
    std::uint64_t reconnects = 0;

    friend bool operator==(const StatusRecord&, const StatusRecord&) = default;
};

// The kind of a message as it went on the wire: by its length and kind digit.
std::string MessageKind(const std::string& message);

// The record as a JSON object, one member a line, times also as ISO-8601 UTC texts.
std::string StatusJson(const StatusRecord& record);

// Reads back what StatusJson wrote. Nothing when `text` is not such a record (members it does
// not know are passed over; a missing member keeps its default).
std::optional<StatusRecord> ParseStatusJson(const std::string& text);

// Monitoring-plugin states and their exit codes.
enum class PluginState { Ok = 0, Warning = 1, Critical = 2, Unknown = 3 };

// What a check says of the record: its state and the one line that opens the print,
// "CORVANTIS OK - sending to COM5, last message 1 s ago | sent=..." (performance data after
// the bar).
struct StatusVerdict {
    PluginState state = PluginState::Unknown;
    std::string firstLine;
};

// Whether a program holds the settings folder (its one-copy lock) as far as the OS tells.
enum class Holder { Running, NotRunning, Unknown };

// The verdict on `record` (nothing: no readable record) read at `now`, with `holder` telling
// whether a program runs on the folder: UNKNOWN without a record or without a running program;
// CRITICAL when a running program's record is older than kStatusRefreshSeconds plus slack, or
// says it is not sending; WARNING when it sends with a standing warning; OK otherwise.
StatusVerdict JudgeStatus(const std::optional<StatusRecord>& record, std::int64_t now,
                          Holder holder, const std::string& settingsFolder);

// The record for a person: the verdict's line, then one fact a line.
std::string StatusReport(const StatusVerdict& verdict, const std::optional<StatusRecord>& record,
                         std::int64_t now);

// The record in the Prometheus text exposition format (version 0.0.4): corvantis_ names, times
// in seconds since the epoch, counters ending in _total, corvantis_info carrying the version
// and the port.
std::string PrometheusText(const StatusRecord& record);

}  // namespace corvantis
