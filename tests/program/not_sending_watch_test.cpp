// Why nothing goes out, said again at each change while the program runs, in virtual time.
#include "program/not_sending_watch.h"

#include <gtest/gtest.h>

#include "program/program.h"
#include "serial/port_reconnect.h"
#include "support/fakes.h"

namespace corvantis {
namespace {

using namespace std::chrono_literals;

TEST(NotSendingWatchTest, EachChangeOfTheReasonsIsSaidOnceWithTheKeyAndFileToFix) {
    testing::FakePlatform fake;
    ReconnectingPort port{fake.port, fake.timers, fake.status};
    const ProgramPlatform platform{fake.clock,    port,        fake.settings,
                                   fake.dialog,   fake.probe,  fake.wait,
                                   fake.registry, fake.status, fake.info};
    fake.clock.SetLocal(DateTime{2024, 3, 9, 14, 7, 0}, 500);
    fake.profile.WriteString("SerialSync", "COMPORT", "COM2", testing::kFakeCorvantisIni);
    testing::FakeWindowHost host;
    Window window;
    Program program{window, platform, fake.timers, host};
    program.Start();
    std::vector<std::string> said;
    NotSendingWatch watch(
        window, port, fake.settings, [&port] { return port.Problem(); },
        [&](const std::string& notice) { said.push_back(notice); });
    EXPECT_EQ(watch.Current(), "");
    fake.timers.RunFor(10s);
    EXPECT_TRUE(said.empty()) << "nothing to say while messages go out";

    // The device goes away: one notice, not one per second.
    fake.port.absentPorts.insert(2);
    fake.port.Unplug();
    fake.timers.RunFor(10s);
    ASSERT_EQ(said.size(), 1u);
    EXPECT_EQ(said[0].rfind("Not sending to the clocks: COM2 could not be opened (", 0), 0u)
        << said[0];
    EXPECT_NE(said[0].find("COMPORT in the [SerialSync] section of " + testing::kFakeCorvantisIni),
              std::string::npos);
    fake.port.absentPorts.clear();
    fake.timers.RunFor(6s);
    ASSERT_EQ(said.size(), 2u);
    EXPECT_EQ(said[1], "") << "sending again";

    // A switch that stops every message is named with its key, its file and the fix.
    window.rulesWithTime.SetValue(0);
    fake.timers.RunFor(2s);
    ASSERT_EQ(said.size(), 3u);
    EXPECT_NE(said[2].find("EnableOCXO in the [CommMethod] section of " + testing::kFakeDataIni),
              std::string::npos)
        << said[2];
    window.toMessageClocks.SetValue(1);
    fake.timers.RunFor(2s);
    ASSERT_EQ(said.size(), 4u);
    EXPECT_NE(said[3].find("EnableOCXO"), std::string::npos) << "every reason, not the first";
    EXPECT_NE(said[3].find("\"Send Time to Message Clocks\" is ticked"), std::string::npos);
}

}  // namespace
}  // namespace corvantis
