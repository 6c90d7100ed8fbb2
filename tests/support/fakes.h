// Fakes of the platform services, for tests that run in virtual time without a display,
// a device or the user's files.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/event_wait.h"
#include "platform/message_dialog.h"
#include "platform/path_style.h"
#include "platform/port_probe.h"
#include "platform/profile_store.h"
#include "platform/registry.h"
#include "platform/serial_port.h"
#include "platform/status_line.h"
#include "platform/timer_service.h"
#include "platform/wall_clock.h"
#include "platform/window_host.h"
#include "program/program.h"
#include "program/startup.h"
#include "settings/auto_run.h"
#include "settings/ini.h"
#include "transmit/transmission_tick.h"

namespace corvantis::testing {

using namespace std::chrono_literals;

// A wall clock that moves only when told to. It keeps UTC in milliseconds and a settable
// UTC offset; local time is UTC plus the offset.
class FakeClock : public WallClock {
public:
    FakeClock();

    // Sets the clock so that local time reads `local` plus `millis` milliseconds.
    void SetLocal(const DateTime& local, int millis = 0);
    void SetUtcOffset(std::chrono::minutes offset) { m_offset = offset; }
    std::chrono::minutes UtcOffset() const { return m_offset; }
    void Advance(std::chrono::milliseconds step) { m_utc += step; }
    std::chrono::milliseconds UtcMillis() const { return m_utc; }
    void SetUtcMillis(std::chrono::milliseconds utc) { m_utc = utc; }

    DateTime Now() const override;
    std::chrono::nanoseconds SinceEpoch() const override { return m_utc; }
    DateTime LocalToUtc(const DateTime& local) const override;

private:
    std::chrono::milliseconds m_utc{0};
    std::chrono::minutes m_offset{0};
};

// Timers in virtual time on a FakeClock. RunFor moves the clock and fires every timer tick
// that falls due on the way, in time order (ties in creation order), so an hour of ticks
// runs in milliseconds and always in the same order.
class VirtualTimers : public TimerService {
public:
    explicit VirtualTimers(FakeClock& clock) : m_clock(clock) {}

    std::unique_ptr<PlatformTimer> CreateTimer(std::function<void()> onTick) override;

    // Moves the clock forward by `span`, firing due ticks on the way.
    void RunFor(std::chrono::milliseconds span);
    // Steps the clock by `step` (either way) as time sync, an operator or a resume from sleep
    // does, firing nothing. As the kernel's wall-clock timers do, timers aligned to the wall
    // clock re-arm at the next boundary of the new time; the others keep the time they had
    // left.
    void StepClock(std::chrono::milliseconds step);
    // Fires, once each, the timers that are due now or overdue; moves no time.
    void FireDue();
    // Queues an event (an operator's click, say) for the next FireDue or RunFor step.
    void Post(std::function<void()> event) { m_posted.push_back(std::move(event)); }
    // How many timers are running.
    int Running() const;

private:
    class Entry;
    friend class Entry;
    void RunPosted();

    FakeClock& m_clock;
    std::vector<Entry*> m_entries;
    std::deque<std::function<void()>> m_posted;
};

// An in-memory serial port with the real port's rules: numbers 1-16, a closed port refuses
// reads and writes, CommPort is refused while open.
class FakeSerialPort : public SerialPort {
public:
    // Ports whose opening fails as an absent device does.
    std::set<int> absentPorts;
    // Everything written, one entry per Output call, with the port number it went to.
    struct Write {
        int port;
        std::string bytes;
    };
    std::vector<Write> writes;
    // Characters waiting to be read.
    std::string received;
    // While true, Output finds the output buffer full: it drops the text and raises
    // port_error::kOutputBufferFull, leaving the port open.
    bool outputFull = false;
    int droppedOutputs = 0;
    // Counts of the calls, to check that nothing touched the port.
    int openCalls = 0;
    int closeCalls = 0;

    void SetCommPort(std::int16_t number) override;
    std::int16_t CommPort() const override { return m_commPort; }
    void SetSettings(const std::string& settings) override;
    std::string Settings() const override { return m_settings; }
    bool PortOpen() const override { return m_open; }
    void SetPortOpen(bool open) override;
    int InBufferCount() override;
    void SetInBufferCount(int count) override;
    void SetInputLen(std::int16_t length) override;
    std::string Input() override;
    void Output(std::string_view text) override;

    // The device went away: the port closes itself.
    void Unplug();

private:
    std::int16_t m_commPort = 1;
    std::string m_settings = "9600,n,8,1";
    bool m_open = false;
    int m_inputLen = 0;
};

// Records each message box and returns at once, as if the operator pressed OK.
class FakeMessageDialog : public MessageDialog {
public:
    struct Shown {
        std::string text;
        std::string title;
        MessageIcon icon;
    };
    std::vector<Shown> shown;
    // Runs while a box is "open", before Show returns.
    std::function<void()> whileOpen;

    void Show(const std::string& text, const std::string& title, MessageIcon icon) override;
};

class FakePortProbe : public PortProbe {
public:
    std::set<int> present;
    std::vector<int> probed;
    bool ProbeComPort(std::int16_t n) override;
};

// Millisecond ticks and waits in virtual time: a wait moves the clock without firing timers
// (the window handles no events while it blocks); the event pass fires what fell due.
class FakeEventWait : public EventWait {
public:
    FakeEventWait(FakeClock& clock, VirtualTimers& timers) : m_clock(clock), m_timers(timers) {}

    // Added to the clock's milliseconds to form TickCount, to test the 32-bit wrap.
    std::uint32_t tickBase = 0;
    std::vector<std::int32_t> waits;  // time-outs passed to Wait
    int eventPasses = 0;

    std::uint32_t TickCount() override;
    std::int32_t Wait(std::uint32_t count, const std::int32_t* handles,
                      std::int32_t timeoutMs) override;
    void ProcessPendingEvents() override;

private:
    FakeClock& m_clock;
    VirtualTimers& m_timers;
};

// INI files in memory, keyed by file name; sections and keys match without regard to case.
class FakeProfileStore : public ProfileStore {
public:
    // Files whose writes fail.
    std::set<std::string> unwritable;
    // Runs at each write before it is made, to see what the writer had done by then.
    std::function<void()> beforeWrite;

    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& fallback, std::size_t capacity,
                          const std::string& file) override;
    bool WriteString(const std::string& section, const std::string& key, const std::string& value,
                     const std::string& file) override;
    std::string LastError() const override { return m_lastError; }

    // Files that exist but cannot be read, with the reason ReadProblem gives.
    std::map<std::string, std::string> readProblems;
    std::string ReadProblem(const std::string& file) override {
        const auto problem = readProblems.find(file);
        return problem != readProblems.end() ? problem->second : std::string();
    }

    // The stored value, or nullptr when absent.
    const std::string* Find(const std::string& file, const std::string& section,
                            const std::string& key) const;
    // Every write, in order: "file|section|KEY=value".
    std::vector<std::string> log;

private:
    struct Entry {
        std::string key;
        std::string value;
    };
    // file -> lower-cased section -> entries in order
    std::map<std::string, std::map<std::string, std::vector<Entry>>> m_files;
    std::string m_lastError;
};

// The current user's registry in memory: key path -> value name -> (type, bytes).
class FakeRegistry : public Registry {
public:
    struct Value {
        RegistryType type;
        std::vector<std::uint8_t> data;
    };
    std::map<std::string, std::map<std::string, Value>> keys;
    // Key paths that cannot be opened.
    std::set<std::string> unopenable;
    int openKeys = 0;  // keys opened and not yet closed

    long OpenKey(const std::string& path, Key& key) override;
    long SetValue(Key key, const std::string& name, RegistryType type,
                  const std::vector<std::uint8_t>& data) override;
    long DeleteValue(Key key, const std::string& name) override;
    void CloseKey(Key key) override;

private:
    std::vector<std::string> m_handles;
};

class FakeStatusLine : public StatusLine {
public:
    std::vector<std::string> warnings;
    void ShowWarning(const std::string& text) override { warnings.push_back(text); }
};

// Records what the window asks of the toolkit around it, in order: "show", "remove-icon",
// "unload", "end".
class FakeWindowHost : public WindowHost {
public:
    std::vector<std::string> calls;
    double scale = 1.0;  // pixels per window unit

    void ShowWindow() override { calls.push_back("show"); }
    void RemoveNotifyIcon() override { calls.push_back("remove-icon"); }
    void UnloadWindow() override { calls.push_back("unload"); }
    void EndProgram() override { calls.push_back("end"); }
    double XToPixels(double x) const override { return x * scale; }
};

// The settings folder of FakePlatform, and the full names of the two settings files in it
// as the program spells them on the platform it is built for.
inline const std::string kFakeSettingsFolder = "/settings";
inline const std::string kFakeCorvantisIni =
    kFakeSettingsFolder + Separator(kHostPathStyle) + "Corvantis.ini";
inline const std::string kFakeDataIni =
    kFakeSettingsFolder + Separator(kHostPathStyle) + "data.ini";

// One of each fake, and the owners the handlers take built over them. Settings live in the
// in-memory store under kFakeSettingsFolder.
struct FakePlatform {
    FakeClock clock;
    VirtualTimers timers{clock};
    FakeSerialPort port;
    FakeProfileStore profile;
    FakeMessageDialog dialog;
    FakePortProbe probe;
    FakeEventWait wait{clock, timers};
    FakeRegistry registry;
    FakeStatusLine status;
    ProgramInfo info{
        "Corvantis",         2, 1, 33, "/opt/corvantis", "corvantis", kFakeSettingsFolder,
        "scripts/run --demo"};
    SettingsFiles settings{profile, status, kFakeSettingsFolder};
    TransmitLine line{clock, port, status};
    AutoRunEntry autoRun{registry, info};

    // The whole platform, as a program is built over it.
    ProgramPlatform Platform() {
        return {clock, port, settings, dialog, probe, wait, registry, status, info};
    }
    // What start-up reaches, with `host` as the window's host.
    StartupReach Startup(WindowHost& host) {
        return {settings, port, probe, dialog, status, host, info};
    }
};

}  // namespace corvantis::testing
