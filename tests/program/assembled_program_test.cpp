// The program as every entry point assembles it, over fakes in virtual time: the port-name
// overrides before the first opening, the view's port layer under the status record's count,
// and the standing concerns reaching both the view and the status record.
#include "program/assembled_program.h"

#include <gtest/gtest.h>

#include <map>

#include "platform/forwarding_serial_port.h"
#include "support/fakes.h"

namespace corvantis {
namespace {

using namespace std::chrono_literals;

// Remembers which device each opening of the port reached.
class MappedPort : public testing::FakeSerialPort {
public:
    explicit MappedPort(const PortMap& ports) : m_ports(ports) {}
    void SetPortOpen(bool open) override {
        if (open) {
            opened.push_back(m_ports.Device(CommPort()).value_or(""));
        }
        FakeSerialPort::SetPortOpen(open);
    }
    std::vector<std::string> opened;

private:
    const PortMap& m_ports;
};

// A view's layer over the port: counts what passes.
class CountingTap : public ForwardingSerialPort {
public:
    CountingTap(SerialPort& port, int& count) : ForwardingSerialPort(port), m_count(count) {}
    void Output(std::string_view text) override {
        ++m_count;
        ForwardingSerialPort::Output(text);
    }

private:
    int& m_count;
};

// This PC keeps UTC all year, so the default display rules (UTC-6 with daylight saving) differ.
class UtcZone : public TimeZone {
public:
    std::string Name() const override { return "UTC"; }
    std::vector<OffsetChange> OffsetsBetween(std::int64_t from, std::int64_t) const override {
        return {{from, 0}};
    }
};

class KeptFiles : public FileReplacer {
public:
    bool Replace(const std::string& path, const std::string& bytes, std::string&) override {
        last[path] = bytes;
        return true;
    }
    std::map<std::string, std::string> last;
};

class AssembledProgramTest : public ::testing::Test {
protected:
    AssembledProgramTest() {
        fake.clock.SetLocal(DateTime{2024, 3, 9, 14, 7, 0}, 500);
        fake.profile.WriteString("SerialSync", "COMPORT", "COM2", testing::kFakeCorvantisIni);
        fake.profile.WriteString("Ports", "COM2", "/dev/clocks", testing::kFakeCorvantisIni);
    }
    ProgramParts Parts() {
        return {{fake.clock, port, ports, fake.profile, fake.probe, fake.wait, fake.registry,
                 fake.timers, fake.timers, zone, clockSync, files},
                {window, fake.dialog, fake.status, host},
                fake.info,
                {"headless", 7},
                "",
                [this](SerialPort& inner) { return std::make_unique<CountingTap>(inner, tapped); }};
    }
    // Runs the program for `span` of virtual time; the loop's code is 5.
    int RunFor(AssembledProgram& program, std::chrono::milliseconds span) {
        return program.Run(voices, [&] {
            fake.timers.RunFor(span);
            return 5;
        });
    }

    testing::FakePlatform fake;
    PortMap ports = PortMap::LinuxDefaults();
    MappedPort port{ports};
    UtcZone zone;
    UnknownClockSync clockSync;
    KeptFiles files;
    Window window;
    testing::FakeWindowHost host;
    int tapped = 0;
    std::vector<std::string> atStart, notSending, rules;
    ProgramVoices voices{nullptr, [this](const std::string& text) { atStart.push_back(text); },
                         [this](const std::string& text) { notSending.push_back(text); },
                         [this](const std::string& text) { rules.push_back(text); }, nullptr};
};

TEST_F(AssembledProgramTest, OpensTheDeviceThePortsSectionNamesAndCountsWhatPassesTheLayer) {
    AssembledProgram program(Parts());
    EXPECT_EQ(RunFor(program, 9s), 5);
    EXPECT_EQ(port.opened, std::vector<std::string>{"/dev/clocks"});
    ASSERT_EQ(port.writes.size(), 4u);  // seconds 02 to 08
    EXPECT_EQ(tapped, 4);
    EXPECT_EQ(program.Status().sent, 4u);
    EXPECT_TRUE(atStart.empty());
    EXPECT_TRUE(notSending.empty());
}

// A port missing at start: said at start, and "sending again" once a retry opens it; the rules
// that differ from this PC's zone are said and kept in the record, which ends "not running".
TEST_F(AssembledProgramTest, ConcernsReachTheViewAndTheStatusRecord) {
    port.absentPorts.insert(2);
    AssembledProgram program(Parts());
    StatusRecord whileAbsent, afterwards;
    program.Run(voices, [&] {
        fake.timers.RunFor(3s);
        whileAbsent = program.Status();
        port.absentPorts.clear();
        fake.timers.RunFor(6s);
        afterwards = program.Status();
        return 0;
    });
    ASSERT_EQ(atStart.size(), 1u);
    EXPECT_NE(atStart[0].find("COM2"), std::string::npos) << atStart[0];
    EXPECT_FALSE(whileAbsent.sending);
    EXPECT_EQ(notSending, std::vector<std::string>{""});
    EXPECT_TRUE(afterwards.sending) << afterwards.notSending;
    ASSERT_EQ(rules.size(), 1u);
    EXPECT_EQ(afterwards.rules, "differ");
    ASSERT_EQ(files.last.size(), 1u);
    const std::string& record = files.last.begin()->second;
    EXPECT_NE(record.find("\"running\": false"), std::string::npos) << record;
}

}  // namespace
}  // namespace corvantis
