#include "window/event_log.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <sstream>

#include "support/fakes.h"
#include "window/window.h"

namespace corvantis {
namespace {

class EventLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TZ", "America/Chicago", 1);
        tzset();
    }
    void TearDown() override {
        setenv("TZ", "UTC", 1);
        tzset();
    }
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

TEST_F(EventLogTest, PortWritesAndStateChangesAreLoggedAsTheyHappen) {
    testing::FakeSerialPort port;
    LoggingSerialPort logged(port, log);
    int notified = 0;
    logged.SetOpenListener([&](bool) { ++notified; });
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
    w.Text3.SetText("OK 5");
    w.Text3.SetText("");
    EXPECT_EQ(out.str(), "2024-03-09T14:30:10.250-06:00 reply [OK 5]\n");
}

}  // namespace
}  // namespace corvantis

namespace corvantis {
namespace {

TEST(EventLogMessagesTest, MessagesBuiltButNotSentAreLoggedOnce) {
    std::ostringstream out;
    EventLog log(out, [] { return std::chrono::system_clock::time_point{}; });
    testing::FakeSerialPort port;
    LoggingSerialPort logged(port, log);
    Window w;
    bool send = false;
    w.SendUDP.onTick = [&] {
        w.Text1.SetText("*  1#");
        if (send) {
            logged.Output("*  1#");
        }
    };
    log.WatchMessages(w);
    w.SendUDP.Tick();
    port.SetPortOpen(true);
    send = true;
    w.SendUDP.Tick();
    const std::string text = out.str();
    EXPECT_NE(text.find(" built [*  1#] not sent\n"), std::string::npos) << text;
    EXPECT_NE(text.find(" sent [*  1#]\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("not sent", text.find("not sent") + 1), std::string::npos) << text;
}

}  // namespace
}  // namespace corvantis
