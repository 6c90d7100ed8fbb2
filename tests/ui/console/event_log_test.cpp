#include "ui/console/event_log.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "form/window.h"
#include "support/fakes.h"
#include "support/scoped_environment.h"

namespace corvantis {
namespace {

constexpr const char* kChicago = "CST6CDT,M3.2.0,M11.1.0";

class EventLogTest : public ::testing::Test {
protected:
    testing::ScopedTimeZone zone{kChicago};
    std::ostringstream out;
    // 9 March 2024 20:30:10.250 UTC is 14:30:10.250 in Chicago (standard time).
    EventLog log{
        out, [] {
            return std::chrono::system_clock::time_point(std::chrono::milliseconds(1710016210250));
        }};
};

TEST_F(EventLogTest, LinesCarryLocalTimeWithMillisecondsAndOffset) {
    log.Write("sent", "[* 5 714 9 32024]");
    EXPECT_EQ(out.str(), "2024-03-09T14:30:10.250-06:00 sent [* 5 714 9 32024]\n");
}

TEST(EventLogTimestampTest, OffsetIsTheOneInForceAtThatInstant) {
    struct Row {
        const char* zone;
        std::int64_t utcMilliseconds;
        const char* expected;
    };
    const Row rows[] = {
        // The last standard-time minute before the spring change, then daylight time.
        {kChicago, 1710057599999, "2024-03-10T01:59:59.999-06:00"},
        {kChicago, 1710057600000, "2024-03-10T03:00:00.000-05:00"},
        // Mid-summer: the daylight offset, not the standard one.
        {kChicago, 1720540210250, "2024-07-09T10:50:10.250-05:00"},
        // East of UTC, with half an hour in the offset.
        {"IST-5:30", 1720540210250, "2024-07-09T21:20:10.250+05:30"},
        {"UTC0", 1720540210250, "2024-07-09T15:50:10.250+00:00"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.zone) + " " + row.expected);
        testing::ScopedTimeZone zone(row.zone);
        const std::chrono::system_clock::time_point at(
            std::chrono::milliseconds(row.utcMilliseconds));
        EXPECT_EQ(EventLog::Timestamp(at), row.expected);
    }
}

TEST_F(EventLogTest, PortWritesAndStateChangesAreLoggedAsTheyHappen) {
    testing::FakeSerialPort port;
    LoggingSerialPort logged(port, log);
    int notified = 0;
    logged.AddOpenListener([&](bool) { ++notified; });
    logged.SetPortOpen(true);
    logged.Output("*  1#");
    port.Unplug();
    EXPECT_EQ(out.str(),
              "2024-03-09T14:30:10.250-06:00 port-opened COM1\n"
              "2024-03-09T14:30:10.250-06:00 sent [*  1#]\n"
              "2024-03-09T14:30:10.250-06:00 port-closed COM1\n");
    EXPECT_EQ(notified, 2);
    EXPECT_EQ(port.writes.size(), 1u);
}

TEST_F(EventLogTest, AFailedWriteIsNotLoggedAsSent) {
    testing::FakeSerialPort port;
    LoggingSerialPort logged(port, log);
    EXPECT_ANY_THROW(logged.Output("x"));
    EXPECT_EQ(out.str(), "");
}

TEST_F(EventLogTest, RepliesShownAreLoggedButEmptyingIsNot) {
    Window w;
    log.WatchReplies(w);
    w.clockReply.SetText("OK 5");
    w.clockReply.SetText("");
    EXPECT_EQ(out.str(), "2024-03-09T14:30:10.250-06:00 reply [OK 5]\n");
}

TEST(EventLogMessagesTest, MessagesBuiltButNotSentAreLoggedOnce) {
    std::ostringstream out;
    EventLog log(out, [] { return std::chrono::system_clock::time_point{}; });
    testing::FakeSerialPort port;
    LoggingSerialPort logged(port, log);
    Window w;
    bool send = false;
    w.sendTick.onTick = [&] {
        w.sentMessage.SetText("*  1#");
        if (send) {
            logged.Output("*  1#");
        }
    };
    log.WatchMessages(w);
    w.sendTick.Tick();
    port.SetPortOpen(true);
    send = true;
    w.sendTick.Tick();
    const std::string text = out.str();
    EXPECT_NE(text.find(" built [*  1#] not sent\n"), std::string::npos) << text;
    EXPECT_NE(text.find(" sent [*  1#]\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("not sent", text.find("not sent") + 1), std::string::npos) << text;
}

// A port told to several listeners tells each; a wrapper that goes away takes only its own
// listener with it, so the port under a logging and a reconnecting wrapper keeps telling the
// one that stays.
TEST_F(EventLogTest, EachOpenListenerIsToldAndAWrapperRemovesOnlyItsOwn) {
    testing::FakeSerialPort port;
    std::vector<std::string> told;
    port.AddOpenListener([&](bool open) { told.push_back(open ? "a:open" : "a:closed"); });
    const int second =
        port.AddOpenListener([&](bool open) { told.push_back(open ? "b:open" : "b:closed"); });
    {
        LoggingSerialPort logged(port, log);
        port.SetPortOpen(true);
    }
    port.RemoveOpenListener(second);
    port.SetPortOpen(false);
    EXPECT_EQ(told, (std::vector<std::string>{"a:open", "b:open", "a:closed"}));
    EXPECT_EQ(out.str(), "2024-03-09T14:30:10.250-06:00 port-opened COM1\n");
}

// The messages the tick builds but does not send are logged whether the log watches the tick
// before or after its handler is attached.
TEST_F(EventLogTest, BuiltButNotSentIsLoggedWhicheverIsAttachedFirst) {
    for (const bool watchFirst : {true, false}) {
        SCOPED_TRACE(watchFirst ? "watching first" : "handler first");
        out.str("");
        Window w;
        const auto attach = [&w] { w.sendTick.onTick = [&w] { w.sentMessage.SetText("*  1#"); }; };
        if (watchFirst) {
            log.WatchMessages(w);
            attach();
        } else {
            attach();
            log.WatchMessages(w);
        }
        w.sendTick.Tick();
        EXPECT_EQ(out.str(), "2024-03-09T14:30:10.250-06:00 built [*  1#] not sent\n");
    }
}

// A steady run logs its first message and nothing more until something changes; a run of
// messages due and not sent likewise; ticks with nothing due are no change. Each row is a
// script of ticks: 'S' sent, 'N' due and not sent, '.' nothing due (the rate's slice kept).
TEST(EventLogMessagesTest, OnlyTheFirstOfEachRunIsLoggedUnlessEveryMessageIsAsked) {
    struct Row {
        const char* ticks;
        bool everyMessage;
        const char* lines;  // the logged kinds in order: s sent, n not sent
    } rows[] = {
        {"SSSSSS", false, "s"},
        {"S.S.S.", false, "s"},  // once a minute: the idle ticks between
                                 // do not break the run
        {"SSNNSS", false, "sns"},
        {"NNN.NS", false, "ns"},
        {"SSNNSS", true, "ssnnss"},
        {"S..S", true, "ss"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.ticks);
        std::ostringstream out;
        EventLog log(out, [] { return std::chrono::system_clock::time_point{}; });
        log.LogEveryMessage(row.everyMessage);
        testing::FakeSerialPort port;
        port.SetPortOpen(true);
        LoggingSerialPort logged(port, log);
        Window w;
        char tick = ' ';
        int slice = 0;
        w.sendTick.onTick = [&] {
            w.sentMessage.SetText("*  1#");
            if (tick != '.') {
                w.lastRateMark = std::to_string(++slice);
            }
            if (tick == 'S') {
                logged.Output("*  1#");
            }
        };
        log.WatchMessages(w);
        for (const char* t = row.ticks; *t != '\0'; ++t) {
            tick = *t;
            w.sendTick.Tick();
        }
        tick = '.';
        w.sendTick.Tick();  // the watcher may follow the handler by one tick
        std::string kinds;
        std::istringstream lines(out.str());
        for (std::string line; std::getline(lines, line);) {
            kinds += line.find(" not sent") != std::string::npos ? 'n' : 's';
        }
        EXPECT_EQ(kinds, row.lines) << out.str();
    }
}

// While everything is steady, one summary line an hour says the program is alive and what it
// did; the end of the run gives the totals.
TEST(EventLogMessagesTest, OneSummaryAnHourAndTotalsAtTheEnd) {
    std::ostringstream out;
    std::chrono::system_clock::time_point now{};
    EventLog log(out, [&now] { return now; });
    testing::FakeSerialPort port;
    port.SetPortOpen(true);
    LoggingSerialPort logged(port, log);
    Window w;
    int slice = 0;
    w.sendTick.onTick = [&] {
        w.lastRateMark = std::to_string(++slice);
        logged.Output("*  1#");
    };
    log.WatchMessages(w);
    log.WatchReplies(w);
    w.clockReply.SetText("OK");
    for (int tick = 0; tick < 5400; ++tick) {  // three hours at one message every 2 s
        now += std::chrono::seconds(2);
        w.sendTick.Tick();
    }
    log.WriteStopped();
    const std::string text = out.str();
    std::size_t summaries = 0;
    for (std::size_t at = 0; (at = text.find(" summary ", at)) != std::string::npos; ++at) {
        ++summaries;
    }
    EXPECT_EQ(summaries, 3u) << text;
    EXPECT_NE(text.find(" summary 1800 messages sent, 0 due and not sent, 1 replies since "),
              std::string::npos)
        << text;
    EXPECT_NE(text.find(" stopped 5400 messages sent, 0 due and not sent, 1 replies in this run"),
              std::string::npos)
        << text;
    EXPECT_LE(std::count(text.begin(), text.end(), '\n'), 6) << text;
}

}  // namespace
}  // namespace corvantis
