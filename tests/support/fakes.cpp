#include "support/fakes.h"

#include <algorithm>
#include <cctype>

#include "platform/failure.h"

namespace corvantis::testing {

namespace {
std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}
}  // namespace

// --- FakeClock ----------------------------------------------------------------------------

FakeClock::FakeClock() {
    SetLocal(DateTime{2024, 3, 9, 14, 7, 1});
}

void FakeClock::SetLocal(const DateTime& local, int millis) {
    m_utc =
        std::chrono::seconds(ToEpochSeconds(local)) - m_offset + std::chrono::milliseconds(millis);
}

DateTime FakeClock::Now() const {
    const auto local = m_utc + m_offset;
    return FromEpochSeconds(std::chrono::floor<std::chrono::seconds>(local).count());
}

DateTime FakeClock::LocalToUtc(const DateTime& local) const {
    return FromEpochSeconds(ToEpochSeconds(local) -
                            std::chrono::duration_cast<std::chrono::seconds>(m_offset).count());
}

// --- VirtualTimers ------------------------------------------------------------------------

class VirtualTimers::Entry : public PlatformTimer {
public:
    Entry(VirtualTimers& owner, std::function<void()> onTick, int order)
        : owner(owner), onTick(std::move(onTick)), order(order) {
        owner.m_entries.push_back(this);
    }
    ~Entry() override { std::erase(owner.m_entries, this); }

    void Start(std::chrono::milliseconds newInterval, bool align) override {
        interval = newInterval;
        aligned = align;
        running = true;
        const auto now = owner.m_clock.UtcMillis();
        due = aligned ? (now / interval + 1) * interval : now + interval;
    }
    void Stop() override { running = false; }

    // The next due time after a tick at `due` when the clock reads `now`.
    void Reschedule(std::chrono::milliseconds now) {
        due += interval;
        if (due <= now) {
            due = aligned ? (now / interval + 1) * interval : now + interval;
        }
    }

    VirtualTimers& owner;
    std::function<void()> onTick;
    int order;
    std::chrono::milliseconds interval{0};
    std::chrono::milliseconds due{0};
    bool aligned = false;
    bool running = false;
};

std::unique_ptr<PlatformTimer> VirtualTimers::CreateTimer(std::function<void()> onTick) {
    return std::make_unique<Entry>(*this, std::move(onTick), static_cast<int>(m_entries.size()));
}

void VirtualTimers::RunPosted() {
    while (!m_posted.empty()) {
        auto event = std::move(m_posted.front());
        m_posted.pop_front();
        event();
    }
}

void VirtualTimers::RunFor(std::chrono::milliseconds span) {
    const auto end = m_clock.UtcMillis() + span;
    RunPosted();
    for (;;) {
        Entry* next = nullptr;
        for (Entry* entry : m_entries) {
            if (entry->running && entry->due <= end &&
                (next == nullptr || entry->due < next->due ||
                 (entry->due == next->due && entry->order < next->order))) {
                next = entry;
            }
        }
        if (next == nullptr) {
            break;
        }
        if (next->due > m_clock.UtcMillis()) {
            m_clock.SetUtcMillis(next->due);
        }
        next->Reschedule(m_clock.UtcMillis());
        next->onTick();
        RunPosted();
    }
    m_clock.SetUtcMillis(std::max(end, m_clock.UtcMillis()));
}

void VirtualTimers::StepClock(std::chrono::milliseconds step) {
    m_clock.Advance(step);
    const auto now = m_clock.UtcMillis();
    for (Entry* entry : m_entries) {
        if (entry->aligned) {
            entry->due = (now / entry->interval + 1) * entry->interval;
        } else {
            entry->due += step;
        }
    }
}

void VirtualTimers::FireDue() {
    RunPosted();
    const auto now = m_clock.UtcMillis();
    std::vector<Entry*> due;
    for (Entry* entry : m_entries) {
        if (entry->running && entry->due <= now) {
            due.push_back(entry);
        }
    }
    std::sort(due.begin(), due.end(), [](Entry* a, Entry* b) {
        return a->due != b->due ? a->due < b->due : a->order < b->order;
    });
    for (Entry* entry : due) {
        // A tick may have destroyed or stopped a later timer.
        if (std::find(m_entries.begin(), m_entries.end(), entry) == m_entries.end() ||
            !entry->running) {
            continue;
        }
        entry->Reschedule(now);
        entry->onTick();
        RunPosted();
    }
}

int VirtualTimers::Running() const {
    return static_cast<int>(std::count_if(m_entries.begin(), m_entries.end(),
                                          [](const Entry* entry) { return entry->running; }));
}

// --- FakeSerialPort -----------------------------------------------------------------------

void FakeSerialPort::SetCommPort(std::int16_t number) {
    if (m_open) {
        throw Failure(port_error::kPortAlreadyOpen, "Port already open");
    }
    if (number < kFirstComPort || number > kLastComPort) {
        throw Failure(port_error::kInvalidPortNumber, "Invalid port number");
    }
    m_commPort = number;
}

void FakeSerialPort::SetSettings(const std::string& settings) {
    if (settings != "9600,n,8,1") {
        throw Failure(port_error::kInvalidSettings, "Invalid property value");
    }
    m_settings = settings;
}

void FakeSerialPort::SetPortOpen(bool open) {
    if (!open) {
        ++closeCalls;
        if (m_open) {
            m_open = false;
            NotifyOpenChanged(false);
        }
        return;
    }
    ++openCalls;
    if (m_open) {
        throw Failure(port_error::kPortAlreadyOpen, "Port already open");
    }
    if (absentPorts.count(m_commPort) != 0) {
        throw Failure(port_error::kPortUnavailable,
                      "COM" + std::to_string(m_commPort) + " cannot be opened: no such device");
    }
    m_open = true;
    NotifyOpenChanged(true);
}

int FakeSerialPort::InBufferCount() {
    if (!m_open) {
        throw Failure(port_error::kPortNotOpen, "Operation valid only when the port is open");
    }
    return static_cast<int>(received.size());
}

void FakeSerialPort::SetInBufferCount(int count) {
    if (!m_open) {
        throw Failure(port_error::kPortNotOpen, "Operation valid only when the port is open");
    }
    if (count != 0) {
        throw Failure(error::kInvalidPropertyValue, "Invalid property value");
    }
    received.clear();
}

void FakeSerialPort::SetInputLen(std::int16_t length) {
    if (length < 0) {
        throw Failure(error::kInvalidPropertyValue, "Invalid property value");
    }
    m_inputLen = length;
}

std::string FakeSerialPort::Input() {
    if (!m_open) {
        throw Failure(port_error::kPortNotOpen, "Operation valid only when the port is open");
    }
    const std::size_t take =
        m_inputLen == 0 ? received.size() : std::min<std::size_t>(received.size(), m_inputLen);
    std::string taken = received.substr(0, take);
    received.erase(0, take);
    return taken;
}

void FakeSerialPort::Output(std::string_view text) {
    if (!m_open) {
        throw Failure(port_error::kPortNotOpen, "Operation valid only when the port is open");
    }
    if (outputFull) {
        ++droppedOutputs;
        throw Failure(port_error::kOutputBufferFull,
                      "COM" + std::to_string(m_commPort) + ": the output buffer is full.");
    }
    writes.push_back({m_commPort, std::string(text)});
}

void FakeSerialPort::Unplug() {
    if (m_open) {
        m_open = false;
        NotifyOpenChanged(false);
    }
}

// --- FakeMessageDialog, FakePortProbe -----------------------------------------------------

void FakeMessageDialog::Show(const std::string& text, const std::string& title, MessageIcon icon) {
    shown.push_back({text, title, icon});
    if (whileOpen) {
        whileOpen();
    }
}

bool FakePortProbe::ProbeComPort(std::int16_t n) {
    probed.push_back(n);
    return present.count(n) != 0;
}

// --- FakeEventWait ------------------------------------------------------------------------

std::uint32_t FakeEventWait::TickCount() {
    return tickBase + static_cast<std::uint32_t>(m_clock.UtcMillis().count());
}

std::int32_t FakeEventWait::Wait(std::uint32_t count, const std::int32_t*, std::int32_t timeoutMs) {
    waits.push_back(timeoutMs);
    (void)count;
    if (timeoutMs > 0) {
        m_clock.Advance(std::chrono::milliseconds(timeoutMs));
    }
    return kWaitTimeout;
}

void FakeEventWait::ProcessPendingEvents() {
    ++eventPasses;
    m_timers.FireDue();
}

// --- FakeProfileStore ---------------------------------------------------------------------

const std::string* FakeProfileStore::Find(const std::string& file, const std::string& section,
                                          const std::string& key) const {
    const auto fileIt = m_files.find(file);
    if (fileIt == m_files.end()) {
        return nullptr;
    }
    const auto sectionIt = fileIt->second.find(Lower(section));
    if (sectionIt == fileIt->second.end()) {
        return nullptr;
    }
    for (const auto& entry : sectionIt->second) {
        if (Lower(entry.key) == Lower(key)) {
            return &entry.value;
        }
    }
    return nullptr;
}

std::string FakeProfileStore::GetString(const std::string& section, const std::string& key,
                                        const std::string& fallback, std::size_t capacity,
                                        const std::string& file) {
    const std::string* found = Find(file, section, key);
    std::string value = found != nullptr ? *found : fallback;
    if (capacity == 0) {
        return {};
    }
    if (value.size() > capacity - 1) {
        value.resize(capacity - 1);
    }
    return value;
}

bool FakeProfileStore::WriteString(const std::string& section, const std::string& key,
                                   const std::string& value, const std::string& file) {
    if (beforeWrite) {
        beforeWrite();
    }
    if (unwritable.count(file) != 0) {
        m_lastError = file + ": not writable";
        return false;
    }
    log.push_back(file + "|" + section + "|" + key + "=" + value);
    auto& entries = m_files[file][Lower(section)];
    for (auto& entry : entries) {
        if (Lower(entry.key) == Lower(key)) {
            entry.value = value;
            return true;
        }
    }
    entries.push_back({key, value});
    return true;
}

// --- FakeRegistry -------------------------------------------------------------------------

namespace {
constexpr long kFileNotFound = 2;
constexpr long kInvalidHandle = 6;
}  // namespace

long FakeRegistry::OpenKey(const std::string& path, Key& key) {
    if (unopenable.count(path) != 0) {
        return kFileNotFound;
    }
    keys[path];
    m_handles.push_back(path);
    key = m_handles.size();
    ++openKeys;
    return 0;
}

long FakeRegistry::SetValue(Key key, const std::string& name, RegistryType type,
                            const std::vector<std::uint8_t>& data) {
    if (key == 0 || key > m_handles.size()) {
        return kInvalidHandle;
    }
    keys[m_handles[key - 1]][name] = Value{type, data};
    return 0;
}

long FakeRegistry::DeleteValue(Key key, const std::string& name) {
    if (key == 0 || key > m_handles.size()) {
        return kInvalidHandle;
    }
    return keys[m_handles[key - 1]].erase(name) != 0 ? 0 : kFileNotFound;
}

void FakeRegistry::CloseKey(Key) {
    --openKeys;
}

}  // namespace corvantis::testing
