// The status record kept over the whole program in virtual time: what it counts, when it is
// written, and what it says when sending stops.
#include "program/status_keeper.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "program/program.h"
#include "support/fakes.h"

namespace corvantis {
namespace {

using namespace std::chrono_literals;

// Keeps every replacement made, per path, in order.
class FakeFiles : public FileReplacer {
public:
    bool Replace(const std::string& path, const std::string& bytes, std::string& error) override {
        if (refuse) {
            error = "disk full";
            return false;
        }
        writes[path].push_back(bytes);
        return true;
    }
    std::vector<StatusRecord> Records(const std::string& path) const {
        std::vector<StatusRecord> records;
        if (const auto found = writes.find(path); found != writes.end()) {
            for (const std::string& text : found->second) {
                records.push_back(ParseStatusJson(text).value());
            }
        }
        return records;
    }
    std::map<std::string, std::vector<std::string>> writes;
    bool refuse = false;
};

class StatusKeeperTest : public ::testing::Test {
protected:
    void Start(const std::string& sendSync = "1") {
        fake.clock.SetLocal(DateTime{2024, 3, 9, 14, 7, 0}, 500);
        fake.profile.WriteString("SerialSync", "COMPORT", "COM2", testing::kFakeCorvantisIni);
        fake.profile.WriteString("SerialSync", "SendSync", sendSync, testing::kFakeCorvantisIni);
        program.Start();
        keeper.Start();
    }
    StatusRecord Last() const { return files.Records(StatusPathOnHost()).back(); }
    static std::string StatusPathOnHost() {
        return testing::kFakeSettingsFolder + Separator(kHostPathStyle) + "status.json";
    }

    testing::FakePlatform fake;
    testing::FakeWindowHost host;
    FakeFiles files;
    UnknownClockSync clockSync;
    Window window;
    ReconnectingPort reconnecting{fake.port, fake.timers, fake.status};
    StatusKeeper keeper{reconnecting,
                        {window, fake.settings, fake.clock, clockSync, &reconnecting},
                        {files, fake.status, "/metrics/corvantis.prom"},
                        {"headless", 4242},
                        fake.timers};
    Program program{window,
                    {fake.clock, keeper.Port(), fake.settings, fake.dialog, fake.probe, fake.wait,
                     fake.registry, fake.status, fake.info},
                    fake.timers,
                    host};
};

TEST_F(StatusKeeperTest, CountsWhatWentOutAndWritesBothFilesAtMostOnceASecond) {
    Start();
    fake.timers.RunFor(9s);  // seconds 02 to 08: four time messages
    const StatusRecord r = Last();
    EXPECT_TRUE(r.sending) << r.notSending;
    EXPECT_EQ(r.port, "COM2");
    EXPECT_EQ(r.portState, "open");
    EXPECT_EQ(r.sent, 4u);
    EXPECT_EQ(r.lastSentKind, "time");
    EXPECT_EQ(r.lastMessage, fake.port.writes.back().bytes);
    EXPECT_EQ(r.processId, 4242);
    const auto records = files.Records(StatusPathOnHost());
    for (std::size_t i = 1; i < records.size(); ++i) {
        EXPECT_GT(records[i].writtenAt, records[i - 1].writtenAt) << "two writes in one second";
    }
    ASSERT_EQ(files.writes["/metrics/corvantis.prom"].size(), records.size());
    EXPECT_EQ(files.writes["/metrics/corvantis.prom"].back(), PrometheusText(r));
}

// Routine sending alone moves the record every kStatusProgressSeconds, so the disk is not
// written at every message; the first message and a change of state are written at once.
TEST_F(StatusKeeperTest, ProgressAloneWaitsAChangeOfStateDoesNot) {
    Start();
    fake.timers.RunFor(31s);
    const auto records = files.Records(StatusPathOnHost());
    ASSERT_EQ(records.size(), 6u);
    EXPECT_EQ(records[1].sent, 1u) << "the first message is written at once";
    std::vector<std::int64_t> after;  // after the first message
    for (const StatusRecord& r : records) {
        after.push_back(r.writtenAt - records[1].writtenAt);
    }
    EXPECT_EQ(after, (std::vector<std::int64_t>{-3, 0, 6, 12, 18, 24}));
    fake.port.absentPorts.insert(2);
    fake.port.Unplug();
    fake.timers.RunFor(1s);
    EXPECT_EQ(Last().portState, "reopening");
    EXPECT_EQ(Last().writtenAt - records.back().writtenAt, 5) << "at the next second";
}

// Nothing changes while sending is switched off: the record is still written twice a minute,
// so a reader can tell a quiet program from a stopped one.
TEST_F(StatusKeeperTest, AnUnchangingRecordIsWrittenEveryHalfMinute) {
    Start("0");
    fake.timers.RunFor(95s);
    const auto records = files.Records(StatusPathOnHost());
    ASSERT_EQ(records.size(), 4u);  // at start, 30 s, 60 s, 90 s
    EXPECT_EQ(records[3].writtenAt - records[0].writtenAt, 90);
    EXPECT_FALSE(records[3].sending);
    EXPECT_EQ(records[3].notSending, "sending is switched off");
    EXPECT_EQ(records[3].notSendingSetting, "[SerialSync] SendSync");
    EXPECT_EQ(records[3].notSendingFile, testing::kFakeCorvantisIni);
}

TEST_F(StatusKeeperTest, APulledPortIsNotSendingUntilItComesBackAsAReconnect) {
    Start();
    fake.timers.RunFor(3s);
    fake.port.absentPorts.insert(2);
    fake.port.Unplug();
    fake.timers.RunFor(3s);
    EXPECT_FALSE(Last().sending);
    EXPECT_EQ(Last().portState, "reopening");
    EXPECT_NE(Last().notSending.find("COM2 went away"), std::string::npos) << Last().notSending;
    EXPECT_EQ(Last().reconnects, 0u);
    fake.port.absentPorts.clear();
    fake.timers.RunFor(5s);  // the next retry reopens it
    EXPECT_TRUE(Last().sending) << Last().notSending;
    EXPECT_EQ(Last().reconnects, 1u);
}

TEST_F(StatusKeeperTest, DroppedMessagesAreCountedAndStopSending) {
    Start();
    fake.timers.RunFor(3s);
    fake.port.outputFull = true;
    fake.timers.RunFor(4s);
    EXPECT_EQ(Last().dropped, 2u);
    EXPECT_FALSE(Last().sending);
    fake.port.outputFull = false;
    fake.timers.RunFor(2s);
    EXPECT_TRUE(Last().sending);
}

TEST_F(StatusKeeperTest, RepliesAndTheEndAreRecorded) {
    Start();
    fake.port.received = "ACK 01 RULES\r\n";
    fake.timers.RunFor(3s);
    EXPECT_EQ(Last().lastReply, window.clockReply.Text());
    EXPECT_EQ(Last().lastReply.rfind("ACK 01 RULES", 0), 0u);
    EXPECT_TRUE(Last().lastReplyAt.has_value());
    keeper.Finish();
    EXPECT_FALSE(Last().running);
    EXPECT_FALSE(Last().sending);
    EXPECT_EQ(Last().notSending, "the program has ended");
}

TEST_F(StatusKeeperTest, AFailedWriteIsToldOnceUntilAWriteSucceeds) {
    files.refuse = true;
    Start();
    fake.timers.RunFor(5s);
    const auto told =
        std::count_if(fake.status.warnings.begin(), fake.status.warnings.end(),
                      [](const std::string& w) { return w.rfind("Status not", 0) == 0; });
    EXPECT_EQ(told, 1);
}

}  // namespace
}  // namespace corvantis
