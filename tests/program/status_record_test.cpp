// The status record as files and checks read it: JSON that reads back whatever the texts
// hold, the monitoring-plugin verdict for each state, and the Prometheus exposition.
#include "program/status_record.h"

#include <gtest/gtest.h>

#include "program/status_json.h"

namespace corvantis {
namespace {

constexpr std::int64_t kNow = 1796000000;

StatusRecord Sending() {
    StatusRecord r;
    r.version = "2.1.33";
    r.program = "headless";
    r.processId = 77;
    r.settingsFolder = "/var/lib/corvantis/hallway";
    r.startedAt = kNow - 300;
    r.writtenAt = kNow - 1;
    r.port = "COM5";
    r.portState = "open";
    r.sending = true;
    r.lastSentAt = kNow - 1;
    r.lastSentKind = "time";
    r.lastMessage = "* 2 714 9 32024         1         #";
    r.rules = "agree";
    r.clockSync = "synchronised";
    r.clockErrorSeconds = 0.0125;
    r.sent = 150;
    return r;
}

TEST(StatusJson, ReadsBackWhatItWrote) {
    StatusRecord odd = Sending();
    // Quotes, backslashes, control bytes, UTF-8 and bytes that are not UTF-8.
    odd.lastReply = "ACK \"01\" \\ \r\n\x01 caf\xc3\xa9 \xff\xfe";
    odd.lastReplyAt = kNow - 3;
    odd.settingsFolder = "C:\\ProgramData\\Corvantis\\Hall \xc3\xa9t\xc3\xa9";
    odd.warnings = {{"rules", "Clocks will show 1 hour ahead", "/x/data.ini", "[CommMethod]"},
                    {"pc-clock", "not synchronised", "", ""}};
    odd.running = false;
    odd.clockErrorSeconds.reset();
    for (const StatusRecord& r : {Sending(), odd, StatusRecord{}}) {
        const std::string text = StatusJson(r);
        ASSERT_TRUE(ParseJson(text).has_value()) << text;
        const auto back = ParseStatusJson(text);
        ASSERT_TRUE(back.has_value()) << text;
        // A reply byte that is not UTF-8 comes back as the character of that number.
        StatusRecord expected = r;
        if (r.lastReply == odd.lastReply) {
            expected.lastReply = std::string("ACK \"01\" \\ \r\n\x01 caf\xc3\xa9 \xc3\xbf\xc3\xbe");
        }
        EXPECT_EQ(*back, expected) << text;
    }
}

TEST(StatusJson, RefusesWhatIsNotARecord) {
    for (const std::string& text : std::vector<std::string>{
             "", "{", "[]", "{\"written\": }", "{\"written\": 1,}", "{\"written\": 1} x",
             "{\"a\": \"\x01\"}", "{\"written\": 1, \"s\": \"\\q\"}",
             std::string(100, '[') + "1" + std::string(100, ']'), "{\"port\": \"COM5\"}"}) {
        EXPECT_FALSE(ParseStatusJson(text).has_value()) << text;
    }
}

TEST(StatusVerdict, EachStateAndItsFirstLine) {
    StatusRecord warned = Sending();
    warned.warnings = {{"rules", "Clocks will show 1 hour ahead of this PC", "", ""}};
    StatusRecord pulled = Sending();
    pulled.sending = false;
    pulled.portState = "reopening";
    pulled.notSending = "COM5 went away (device removed?); trying to reopen it";
    StatusRecord stale = Sending();
    stale.writtenAt = kNow - 61;
    StatusRecord stopped = Sending();
    stopped.running = false;
    struct Row {
        std::optional<StatusRecord> record;
        Holder holder;
        PluginState state;
        std::string line;  // the first line up to the performance data
    } rows[] = {
        {Sending(), Holder::Running, PluginState::Ok,
         "CORVANTIS OK - sending to COM5, last message 1 s ago"},
        {warned, Holder::Running, PluginState::Warning,
         "CORVANTIS WARNING - sending to COM5, last message 1 s ago; 1 warning: Clocks will show 1 "
         "hour ahead of this PC"},
        {pulled, Holder::Running, PluginState::Critical,
         "CORVANTIS CRITICAL - not sending: COM5 went away (device removed?); trying to reopen it"},
        {stale, Holder::Running, PluginState::Critical,
         "CORVANTIS CRITICAL - status not written for 61 s (last at 2026-11-30T00:52:19Z); the "
         "program holds its settings folder"},
        // The OS cannot tell: the record's own word decides whether the program should run.
        {stale, Holder::Unknown, PluginState::Critical, ""},
        {stopped, Holder::Unknown, PluginState::Unknown, ""},
        {Sending(), Holder::NotRunning, PluginState::Unknown,
         "CORVANTIS UNKNOWN - not running (last status at 2026-11-30T00:53:19Z, not stopped "
         "cleanly)"},
        {std::nullopt, Holder::NotRunning, PluginState::Unknown,
         "CORVANTIS UNKNOWN - not running, no status in /srv/c"},
        {std::nullopt, Holder::Running, PluginState::Unknown,
         "CORVANTIS UNKNOWN - running, but no status in /srv/c"},
    };
    for (const Row& row : rows) {
        const StatusVerdict verdict = JudgeStatus(row.record, kNow, row.holder, "/srv/c");
        EXPECT_EQ(verdict.state, row.state) << verdict.firstLine;
        if (!row.line.empty()) {
            EXPECT_EQ(verdict.firstLine.substr(0, verdict.firstLine.find(" |")), row.line);
        }
        EXPECT_EQ(verdict.firstLine.find('\n'), std::string::npos);
    }
    EXPECT_EQ(JudgeStatus(Sending(), kNow, Holder::Running, "").firstLine,
              "CORVANTIS OK - sending to COM5, last message 1 s ago | sent=150c dropped=0c "
              "reconnects=0c warnings=0 age=1s");
}

TEST(StatusMetrics, NamesUnitsAndLabelsFollowTheConventions) {
    StatusRecord r = Sending();
    r.warnings = {{"rules", "x", "", ""}, {"pc-clock", "y", "", ""}};
    r.port = "COM\"5\"\\";
    const std::string text = PrometheusText(r);
    for (const char* line :
         {"corvantis_info{version=\"2.1.33\",program=\"headless\",port=\"COM\\\"5\\\"\\\\\"} 1\n",
          "# TYPE corvantis_messages_sent_total counter\n", "corvantis_messages_sent_total 150\n",
          "corvantis_sending 1\n", "corvantis_last_message_time_seconds 1795999999\n",
          "corvantis_warnings 2\n", "corvantis_warning{key=\"rules\"} 1\n",
          "corvantis_warning{key=\"pc-clock\"} 1\n", "corvantis_display_rules_match 1\n",
          "corvantis_pc_clock_synchronised 1\n",
          "corvantis_pc_clock_estimated_error_seconds 0.012500\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line << "\nin\n" << text;
    }
    // Nothing said of what is not known.
    r.lastSentAt.reset();
    r.clockSync = "unknown";
    r.clockErrorSeconds.reset();
    const std::string unknown = PrometheusText(r);
    for (const char* name :
         {"corvantis_last_message_time_seconds", "corvantis_pc_clock_synchronised",
          "corvantis_last_reply_time_seconds", "corvantis_pc_clock_estimated"}) {
        EXPECT_EQ(unknown.find(name), std::string::npos) << name;
    }
}

}  // namespace
}  // namespace corvantis
