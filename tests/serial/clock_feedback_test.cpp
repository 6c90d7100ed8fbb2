// The clock's replies shown in clockReply, and the wait before reading them.
#include "serial/clock_feedback.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "form/timer_driver.h"
#include "serial/port_choice.h"
#include "serial_fixture.h"

namespace corvantis {
namespace {

using namespace std::chrono_literals;
using testing::SerialFixture;

const std::string k36 = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";

bool ReplyControlsVisible(const Window& window) {
    return window.pcSeconds.Visible() && window.clockReply.Visible() &&
           window.clockReplyLabel.Visible();
}
bool ReplyControlsHidden(const Window& window) {
    return !window.pcSeconds.Visible() && !window.clockReply.Visible() &&
           !window.clockReplyLabel.Visible();
}

// --- showinput --------------------------------------------------------------------------

// The serial fixture with replyWait served by the virtual timers, as a program serves it.
struct ReplyRig : SerialFixture {
    ReplyRig() {
        window.replyWait.onTick = [this] { OnReplyWaitEnd(window, port); };
    }
    TimerDriver driver{platform.timers, {&window.replyWait}};
};

struct ReplyRow {
    const char* reason;
    std::string waiting;
    std::string shown;
};

class ShowInputTest : public ::testing::TestWithParam<ReplyRow> {};

TEST_P(ShowInputTest, ShowsUpTo36VisibleCharactersAndDiscardsTheRest) {
    const ReplyRow& row = GetParam();
    ReplyRig f;
    f.OpenBefore(1);
    f.platform.port.received = row.waiting;
    const auto before = f.platform.clock.UtcMillis();
    showinput(f.window, f.port);
    EXPECT_EQ(f.platform.clock.UtcMillis(), before) << "the poll itself never waits";
    f.platform.timers.RunFor(49ms);
    EXPECT_TRUE(f.port.log.empty()) << "read before the reply wait was over";
    f.platform.timers.RunFor(1ms);

    EXPECT_EQ(f.window.clockReply.Text(), row.shown);
    EXPECT_EQ(f.platform.port.received, "");
    EXPECT_TRUE(ReplyControlsVisible(f.window));
    EXPECT_EQ(f.port.log, (std::vector<std::string>{"Input", "Input", "InBufferCount=0"}));
    EXPECT_TRUE(f.platform.wait.waits.empty());
    EXPECT_EQ(f.platform.wait.eventPasses, 0);
    EXPECT_FALSE(f.window.replyWait.Enabled());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ShowInputTest,
    ::testing::Values(ReplyRow{"Exactly36", k36, k36},
                      // The 14 beyond 36 are discarded.
                      ReplyRow{"Fifty", k36 + "abcdefghijklmn", k36}, ReplyRow{"Short", "OK", "OK"},
                      // Control characters and bytes from 0x7F up are written out, never passed on.
                      ReplyRow{"Escape", "\x1B[2J\r\nok", "\\x1B[2J\\x0D\\x0Aok"},
                      ReplyRow{"HighBytes", "\x7F\x80\xFF~ !", "\\x7F\\x80\\xFF~ !"},
                      ReplyRow{"Nul", std::string("A\0B\tC", 5), "A\\x00B\\x09C"},
                      // A backslash from the line is written out too, so a reply cannot pass
                      // itself off as an escaped byte.
                      ReplyRow{"Backslash", "\\x41\\", "\\x5Cx41\\x5C"},
                      // Cut to 36 raw characters before they are made visible.
                      ReplyRow{"CutFirst", std::string(35, 'A') + "\x01" + "\x02\x03",
                               std::string(35, 'A') + "\\x01"}),
    [](const auto& info) { return std::string(info.param.reason); });

TEST(ShowInputTest, NothingWaitingOrPortClosedChangesNothing) {
    for (const bool open : {true, false}) {
        SCOPED_TRACE(open ? "open, nothing waiting" : "closed, characters waiting");
        SerialFixture f;
        if (open) {
            f.OpenBefore(1);
        } else {
            f.platform.port.received = "LATE";
        }
        f.window.clockReply.SetText("earlier");
        showinput(f.window, f.port);
        EXPECT_EQ(f.window.clockReply.Text(), "earlier");
        EXPECT_TRUE(ReplyControlsHidden(f.window));
        EXPECT_TRUE(f.port.log.empty());
        EXPECT_TRUE(f.platform.wait.waits.empty());
        EXPECT_EQ(f.platform.wait.eventPasses, 0);
        EXPECT_FALSE(f.window.replyWait.Enabled());
    }
}

TEST(ShowInputTest, ARepliesInTwoParts150MsApartAreTwoReplies) {
    ReplyRig f;
    f.OpenBefore(1);
    f.window.displayTick.onTick = [&] { showinput(f.window, f.port); };
    TimerDriver driver(f.platform.timers, {&f.window.displayTick});
    std::vector<std::string> shown;
    f.window.clockReply.AddObserver([&](ControlProperty changed) {
        if (changed == ControlProperty::Text) {
            shown.push_back(f.window.clockReply.Text());
        }
    });

    struct Part {
        std::chrono::milliseconds at;
        std::string text;
    };
    const std::vector<Part> parts{{0ms, "FIRST"}, {150ms, "SECOND"}};
    const auto start = f.platform.clock.UtcMillis();
    std::size_t next = 0;
    while (f.platform.clock.UtcMillis() - start < 500ms) {
        while (next < parts.size() && f.platform.clock.UtcMillis() - start >= parts[next].at) {
            f.platform.port.received += parts[next++].text;
        }
        f.platform.timers.RunFor(10ms);
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"FIRST", "SECOND"}));
    EXPECT_EQ(f.window.clockReply.Text(), "SECOND");
}

TEST(ShowInputTest, APortClosedByAnEventDuringTheWaitEndsThePollQuietly) {
    struct Case {
        const char* name;
        std::function<void(SerialFixture&)> event;
    };
    const std::vector<Case> cases{
        {"close and exit", [](SerialFixture& f) { f.window.closeAndExit.OperatorClick(); }},
        {"choice of an absent port", [](SerialFixture& f) { f.window.clockPort.OperatorPick(0); }},
        {"device unplugged", [](SerialFixture& f) { f.platform.port.Unplug(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ReplyRig f;
        AttachSerialHandlers(f.window, f.port, f.settings, f.platform.dialog);
        f.window.closeAndExit.onClick = [&f] { f.platform.port.SetPortOpen(false); };
        f.window.clockPort.AddItem(" COM9");
        f.platform.port.absentPorts = {9};
        f.OpenBefore(1);
        f.platform.port.received = "REPLY";
        f.window.clockReply.SetText("earlier");
        f.platform.timers.Post([&] { c.event(f); });

        showinput(f.window, f.port);
        EXPECT_NO_THROW(f.platform.timers.RunFor(50ms));
        EXPECT_FALSE(f.platform.port.PortOpen());
        EXPECT_FALSE(f.window.replyWait.Enabled());
        EXPECT_EQ(f.window.clockReply.Text(), "earlier");
        EXPECT_TRUE(ReplyControlsHidden(f.window));
    }
}

TEST(ShowInputTest, APortFailingBetweenTheReadsEndsThePollQuietly) {
    ReplyRig f;
    f.OpenBefore(1);
    f.platform.port.received = "REPLY";
    f.window.clockReply.SetText("earlier");
    f.port.afterInput = [&] { f.platform.port.Unplug(); };
    showinput(f.window, f.port);
    EXPECT_NO_THROW(f.platform.timers.RunFor(50ms));
    EXPECT_EQ(f.port.log, (std::vector<std::string>{"Input", "Input", "!8012"}));
    EXPECT_EQ(f.window.clockReply.Text(), "earlier");
    EXPECT_TRUE(ReplyControlsHidden(f.window));
}

// --- WaitWithEvents ---------------------------------------------------------------------

// In virtual time, whatever the 32-bit tick reads when the wait starts: the interval passes
// in one platform wait, then one event pass. An interval of 0 or less waits once with
// time-out 0.
TEST(WaitWithEventsTest, LastsTheIntervalWhereverTheTickWraps) {
    struct Row {
        std::int32_t interval;
        std::int64_t beforeWrap;  // ms between the start and the tick's wrap to 0; < 0: after
        std::int32_t timeout;     // the time-out of the one platform wait
    };
    const Row rows[] = {{50, 20, 50}, {50, 1, 50},   {50, 49, 50},     {50, 50, 50}, {50, 51, 50},
                        {50, 0, 50},  {50, -20, 50}, {50, 100000, 50}, {0, 20, 0},   {-5, 1, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.interval) + " ms, " + std::to_string(row.beforeWrap));
        testing::FakePlatform p;
        const auto now = static_cast<std::uint32_t>(p.clock.UtcMillis().count());
        p.wait.tickBase = 0u - static_cast<std::uint32_t>(row.beforeWrap) - now;
        const auto before = p.clock.UtcMillis();
        std::int32_t handle = 0;
        EXPECT_EQ(WaitWithEvents(p.wait, row.interval, handle, 0), EventWait::kWaitTimeout);
        EXPECT_EQ(p.wait.waits, std::vector<std::int32_t>{row.timeout});
        EXPECT_EQ(p.wait.eventPasses, 1);
        EXPECT_EQ(p.clock.UtcMillis() - before, std::chrono::milliseconds(row.timeout));
    }
}

// A platform wait whose outcome and duration the test sets.
class ScriptedWait : public EventWait {
public:
    std::uint32_t tick = 0;
    std::int32_t result = kWaitTimeout;  // what each Wait returns
    std::uint32_t waitSpan = 0;          // ms each Wait lasts
    std::uint32_t eventSpan = 0;         // ms each event pass lasts
    std::vector<std::int32_t> waits;
    int eventPasses = 0;

    std::uint32_t TickCount() override { return tick; }
    std::int32_t Wait(std::uint32_t, const std::int32_t*, std::int32_t timeoutMs) override {
        waits.push_back(timeoutMs);
        tick += waitSpan;
        return result;
    }
    void ProcessPendingEvents() override {
        ++eventPasses;
        tick += eventSpan;
    }
};

TEST(WaitWithEventsTest, EndsAtTheDeadlineOrASignalledHandle) {
    struct Row {
        const char* what;
        std::uint32_t tick;  // at the start
        std::int32_t result;
        std::uint32_t waitSpan;
        std::uint32_t eventSpan;
        std::uint32_t handles;
        std::int32_t returned;
        std::vector<std::int32_t> waits;
    };
    for (const Row& row : std::initializer_list<Row>{
             // Woken early (the result equals the handle count: no handle, no time-out), it
             // waits again for what remains, across the wrap.
             {"woken early", 0xFFFFFFF0u, 0, 20, 0, 0, 0, {50, 30, 10}},
             // A deadline passed during the event pass ends with 0, without waiting again.
             {"deadline passed", 1000, 0, 0, 70, 0, 0, {50}},
             {"handle signalled", 0, 1, 5, 0, 2, 1, {50}},
         }) {
        SCOPED_TRACE(row.what);
        ScriptedWait wait;
        wait.tick = row.tick;
        wait.result = row.result;
        wait.waitSpan = row.waitSpan;
        wait.eventSpan = row.eventSpan;
        std::int32_t handles[2] = {0, 0};
        EXPECT_EQ(WaitWithEvents(wait, 50, handles[0], row.handles), row.returned);
        EXPECT_EQ(wait.waits, row.waits);
        EXPECT_EQ(wait.eventPasses, static_cast<int>(row.waits.size()));
    }
}

}  // namespace
}  // namespace corvantis
