// What the serial tests share: a port that logs the assignments made to it, and the fake
// platform bundled with it and a window.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "form/window.h"
#include "platform/failure.h"
#include "settings/ini.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace corvantis::testing {

class RecordingPort : public SerialPort {
public:
    explicit RecordingPort(FakeSerialPort& port) : m_port(port) {}

    // "CommPort=5", "Settings=9600,n,8,1", "PortOpen=1", "PortOpen=0", "Input" (one per
    // read), "InBufferCount=0"; a call that raised is followed by "!" and its number.
    std::vector<std::string> log;
    // Runs after each Input, to change the port between two reads.
    std::function<void()> afterInput;

    void SetCommPort(std::int16_t number) override {
        Record("CommPort=" + std::to_string(number), [&] { m_port.SetCommPort(number); });
    }
    std::int16_t CommPort() const override { return m_port.CommPort(); }
    void SetSettings(const std::string& settings) override {
        Record("Settings=" + settings, [&] { m_port.SetSettings(settings); });
    }
    std::string Settings() const override { return m_port.Settings(); }
    bool PortOpen() const override { return m_port.PortOpen(); }
    void SetPortOpen(bool open) override {
        Record(std::string("PortOpen=") + (open ? "1" : "0"), [&] { m_port.SetPortOpen(open); });
    }
    int InBufferCount() override { return m_port.InBufferCount(); }
    void SetInBufferCount(int count) override {
        Record("InBufferCount=" + std::to_string(count), [&] { m_port.SetInBufferCount(count); });
    }
    void SetInputLen(std::int16_t length) override { m_port.SetInputLen(length); }
    std::string Input() override {
        std::string taken;
        Record("Input", [&] { taken = m_port.Input(); });
        if (afterInput) {
            afterInput();
        }
        return taken;
    }
    void Output(std::string_view text) override { m_port.Output(text); }

private:
    template <typename Call>
    void Record(std::string entry, Call&& call) {
        log.push_back(std::move(entry));
        try {
            call();
        } catch (const Failure& failure) {
            log.push_back("!" + std::to_string(failure.number()));
            throw;
        }
    }

    FakeSerialPort& m_port;
};

// The fake platform with the logging port in front of its FakeSerialPort, settings kept for
// a temporary folder, and a window in its design state.
struct SerialFixture {
    TempDir temp;
    FakePlatform platform;
    RecordingPort port{platform.port};
    SettingsFiles settings{platform.profile, platform.status, temp.Path()};
    Window window;

    // The stored value of `key` in `section` of "\Corvantis.ini", or "(absent)".
    std::string Stored(const std::string& section, const std::string& key) const {
        const std::string* value =
            platform.profile.Find(settings.PathOf(kCorvantisIni), section, key);
        return value != nullptr ? *value : "(absent)";
    }
    // Opens the fake port on `number` without logging it.
    void OpenBefore(int number) {
        platform.port.SetCommPort(static_cast<std::int16_t>(number));
        platform.port.SetPortOpen(true);
    }
};

}  // namespace corvantis::testing
