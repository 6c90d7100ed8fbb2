// The program's one status record, kept up to date from where each fact lives, and written
// to "status.json" in the settings folder (and, when asked, to a Prometheus text file).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "form/window.h"
#include "platform/clock_sync.h"
#include "platform/file_replacer.h"
#include "platform/forwarding_serial_port.h"
#include "platform/status_line.h"
#include "platform/timer_service.h"
#include "platform/wall_clock.h"
#include "program/standing_warnings.h"
#include "program/status_record.h"
#include "serial/port_reconnect.h"
#include "settings/ini.h"

namespace corvantis {

// The port the program writes through, counting what passes: messages sent and dropped, the
// last one sent, and the times the port came back without the program asking (a reconnect).
class CountingPort : public ForwardingSerialPort {
public:
    // `port` and `clock` (which times the last message) must outlive this object.
    CountingPort(SerialPort& port, const WallClock& clock)
        : ForwardingSerialPort(port), m_clock(clock) {}

    void SetPortOpen(bool open) override;
    void Output(std::string_view text) override;

    std::uint64_t sent = 0;
    std::uint64_t dropped = 0;
    std::uint64_t reconnects = 0;
    std::optional<std::int64_t> lastSentAt;
    std::string lastMessage;

private:
    void OnOpenChanged(bool open) override;

    const WallClock& m_clock;
    bool m_changing = false;
};

// What the record is read from. Each must outlive the keeper; `reconnecting` may be null.
struct StatusSources {
    Window& window;
    SettingsFiles& settings;
    const WallClock& clock;
    const ClockSyncProbe& clockSync;
    const ReconnectingPort* reconnecting;
};

// Where the record goes. `metricsPath` empty: no metrics file. A write that fails is told once
// on `status` (and again after a write succeeded).
struct StatusTargets {
    FileReplacer& files;
    StatusLine& status;
    std::string metricsPath;
};

// Who writes the record: "window" or "headless", and this process's id.
struct StatusIdentity {
    std::string program;
    std::int64_t processId = 0;
};

// Keeps the record and writes it, once a second at most, when its state changed; when only the
// counts and the last message moved, every kStatusProgressSeconds; and at least every
// kStatusRefreshSeconds. The program must send through Port().
class StatusKeeper {
public:
    // `port` (the port the program would otherwise use) and everything given must outlive
    // the keeper.
    StatusKeeper(SerialPort& port, const StatusSources& sources, const StatusTargets& targets,
                 const StatusIdentity& identity, TimerService& timers);

    SerialPort& Port() { return m_port; }

    // Reads the display-rule and PC-clock concerns from `warnings` from now on.
    void Watch(const StandingWarnings& warnings) { m_warnings = &warnings; }

    // Writes the first record and starts the once-a-second refresh.
    void Start();
    // Writes the last record ("running": false); call when the program has ended.
    void Finish();

    // The record as it stands now.
    StatusRecord Current() const;

private:
    void Refresh(bool force);
    void Write(const StatusRecord& record);
    void Sending(StatusRecord& r) const;
    void Concerns(StatusRecord& r) const;

    CountingPort m_port;
    StatusSources m_sources;
    StatusTargets m_targets;
    StatusIdentity m_identity;
    const StandingWarnings* m_warnings = nullptr;
    std::unique_ptr<PlatformTimer> m_timer;
    std::int64_t m_startedAt = 0;
    std::optional<std::int64_t> m_lastReplyAt;
    std::string m_lastReply;
    ClockSyncStatus m_clockSync;
    std::int64_t m_clockReadAt = 0;
    StatusRecord m_written;
    bool m_writeFailed = false;
    bool m_finished = false;
};

}  // namespace corvantis
