// The clock group and its loop: acknowledgements in the emulator's format, events in words,
// and the runner over a scripted line in virtual time.
#include "clock/clock_group.h"

#include <gtest/gtest.h>

#include <deque>
#include <sstream>

#include "clock/clock_runner.h"
#include "protocol/messages.h"

namespace corvantis {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

const DisplayRuleFields kDefaults{" -6", " 0", " 327", "1117", " 2", " 0"};

TEST(ClockGroupTest, AcknowledgementsAndEvents) {
    struct Row {
        const char* name;
        std::string current, next;
        int flag;
        const char* replies;
        std::vector<int> addresses;  // afterwards
    };
    const Row rows[] = {
        {"rules to clock 2", "2", "9", 0, "ACK 02 RULES\r\n", {1, 2}},
        {"clock 2 becomes 9", "2", "9", 1, "ACK 02 ADDRESS 09\r\n", {1, 9}},
        {"every clock", "0", "0", 0, "ACK 01 RULES\r\nACK 02 RULES\r\n", {1, 2}},
        {"nobody", "7", "3", 1, "", {1, 2}},
    };
    for (const Row& row : rows) {
        ClockGroup group({1, 2}, /*acknowledge=*/true);
        EXPECT_EQ(group.Receive(AddressedCommand(row.current, row.next, row.flag, kDefaults),
                                milliseconds(0)),
                  row.replies)
            << row.name;
        std::vector<int> addresses;
        for (const ClockModel& clock : group.Clocks()) {
            addresses.push_back(clock.Address());
        }
        EXPECT_EQ(addresses, row.addresses) << row.name;
    }
    ClockGroup quiet({1, 2}, /*acknowledge=*/false);
    EXPECT_EQ(quiet.Receive(AddressedCommand("0", "0", 0, kDefaults), milliseconds(0)), "");
}

TEST(ClockGroupTest, EventsNameWhatWasSkippedRefusedAndChanged) {
    ClockGroup group({5}, false);
    group.Receive("\x01garbage", milliseconds(0));
    group.Receive(TimeOnlyMessage({2025, 13, 1, 0, 0, 0}), milliseconds(0));
    group.Receive(AddressedCommand("5", "6", 1, kDefaults), milliseconds(0));
    EXPECT_EQ(group.TakeEvents(),
              (std::vector<std::string>{
                  "skipped 8 byte(s), not part of a message: \"\\x01garbage\"",
                  "refused a time-only message \"* 0 0 0 1132025         1         #\": "
                  "month 13 is outside 1-12",
                  "clock 5 is now clock 6"}));
    EXPECT_TRUE(group.TakeEvents().empty());
    EXPECT_EQ(group.SkippedBytes(), 8u);
    EXPECT_EQ(group.Refused(), 1u);
}

TEST(ClockGroupTest, Describe) {
    ClockGroup group({1, 2}, false);
    group.Receive(RulesMessage({2024, 3, 9, 14, 7, 4}, kDefaults), milliseconds(0));
    group.Receive(AddressedCommand("2", "2", 0, {"  1", " 0", "   0", "   0", " 0", " 0"}),
                  milliseconds(0));
    EXPECT_EQ(group.Describe(seconds(11)),
              "clock 1: 08:07:15 Saturday 9 March 2024 (standard time)\n"
              "  UTC-6, daylight saving from the second Sunday of March to the first Sunday "
              "of November at 02:00\n"
              "  warning: late: no time for 11 s\n"
              "clock 2: 15:07:15 Saturday 9 March 2024 (standard time)\n"
              "  UTC+1, no daylight saving\n"
              "  warning: late: no time for 11 s\n"
              "line: 2 message(s), 0 refused, 0 byte(s) skipped in 0 run(s)\n");
}

// A line that hands out scripted pieces at scripted times and records what is written.
class ScriptedLine : public ByteLine {
public:
    struct Piece {
        milliseconds at;
        std::string bytes;
    };
    ScriptedLine(std::deque<Piece> pieces, milliseconds& now) : m_pieces(pieces), m_now(now) {}
    std::string Read(milliseconds wait) override {
        if (!m_pieces.empty() && m_pieces.front().at <= m_now + wait) {
            m_now = std::max(m_now, m_pieces.front().at);
            std::string bytes = m_pieces.front().bytes;
            m_pieces.pop_front();
            return bytes;
        }
        m_now += wait;
        return {};
    }
    void Write(std::string_view bytes) override { written += bytes; }
    std::string written;

private:
    std::deque<Piece> m_pieces;
    milliseconds& m_now;
};

TEST(ClockRunnerTest, LocalTimeIsTakenWhenTheLineGoesQuietAndRepliesGoBack) {
    milliseconds now{0};
    ScriptedLine line({{milliseconds(100), LocalTimeMessage({2024, 3, 9, 8, 7, 4})},
                       {milliseconds(2100), AddressedCommand("1", "4", 1, kDefaults)}},
                      now);
    ClockGroup group({1}, true);
    std::ostringstream out;
    ClockRunner runner(
        line, group, out, [&now] { return now; }, /*redraw=*/false);
    for (int i = 0; i < 40; ++i) {
        runner.Step(milliseconds(100));
    }
    EXPECT_EQ(group.MessagesDecoded(), 2u);
    EXPECT_EQ(line.written, "ACK 01 ADDRESS 04\r\n");
    EXPECT_EQ(group.Clocks().front().Address(), 4);
    const std::string printed = out.str();
    EXPECT_NE(printed.find("clock 1: 08:07:04 Saturday 9 March 2024"), std::string::npos)
        << printed;
    EXPECT_NE(printed.find("event: clock 1 is now clock 4"), std::string::npos) << printed;
}

}  // namespace
}  // namespace corvantis
