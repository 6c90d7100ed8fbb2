#include "settings/settings_handlers.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/failure.h"
#include "settings/auto_run.h"
#include "support/fakes.h"
#include "support/started_window.h"

namespace corvantis::testing {
namespace {

class SettingsHandlersTest : public ::testing::Test {
protected:
    SettingsHandlersTest() {
        FillPickLists(window);
        AttachSettingsHandlers(window, platform.settings, platform.dialog, platform.autoRun);
    }

    // Records "name:0" / "name:1" for each enabled-state change of `list`, with the number
    // of writes made before it, in `events`.
    void WatchEnabled(ComboBox& list) {
        list.AddObserver([this, &list](ControlProperty property) {
            if (property == ControlProperty::Enabled) {
                events.push_back(list.Name() + ":" + (list.Enabled() ? "1" : "0") + " after " +
                                 std::to_string(store.log.size()) + " writes");
            }
        });
    }

    // The writes made, "file|section|KEY=value" with the file's folder left out, joined by
    // blanks; the log starts afresh.
    std::string TakeWrites() {
        std::string joined;
        for (const std::string& write : store.log) {
            joined += (joined.empty() ? "" : " ") + write.substr(kFakeSettingsFolder.size() + 1);
        }
        store.log.clear();
        return joined;
    }

    FakePlatform platform;
    FakeProfileStore& store = platform.profile;
    Window window;
    std::vector<std::string> events;
};

std::function<void(Window&)> Clicks(CheckBox Window::*box) {
    return [box](Window& w) { (w.*box).OperatorClick(); };
}
std::function<void(Window&)> Picks(ComboBox Window::*list, int index) {
    return [list, index](Window& w) { (w.*list).OperatorPick(index); };
}
std::function<void(Window&)> Selects(int option) {
    return [option](Window& w) { w.utcOrLocal[option].OperatorClick(); };
}

TEST_F(SettingsHandlersTest, EachClickWritesItsKeyWithItsEncodingAndNothingElse) {
    struct Row {
        const char* name;
        std::function<void(Window&)> click;
        const char* writes;
    };
    const Row rows[] = {
        {"Check3 (starts checked)", Clicks(&Window::useGpsDate), "Corvantis.ini|GPS|GPSDATE=0"},
        {"Check6", Clicks(&Window::rulesWithTime), "data.ini|CommMethod|ENABLEOCXO=1"},
        {"Check7", Clicks(&Window::autoDaylightSaving), "data.ini|CommMethod|DSTENABLED=1"},
        {"Check7 greyed", [](Window& w) { w.autoDaylightSaving.SetValue(2); },
         "data.ini|CommMethod|DSTENABLED=2"},
        {"Combo7", Picks(&Window::startDayOfMonth, 5), "data.ini|CommMethod|DSTSTARTDOM=5"},
        {"Combo8", Picks(&Window::endDayOfMonth, 0), "data.ini|CommMethod|DSTENDDOM=0"},
        {"CurrAddress", Picks(&Window::currentAddress, 42), "Corvantis.ini|GPS|CURRADDRESS=42"},
        {"NewAddress", Picks(&Window::newAddress, 7), "Corvantis.ini|GPS|NEWADDRESS=7"},
        {"SerialRate", Picks(&Window::serialRate, 2),
         "Corvantis.ini|SerialSync|SERIALRATE=once per hour"},
        {"Option1 UTC", Selects(0),
         "Corvantis.ini|SerialSync|TIMEUTC=True Corvantis.ini|SerialSync|TIMELOCAL=False"},
        {"Option1 LOCAL", Selects(1),
         "Corvantis.ini|SerialSync|TIMEUTC=False Corvantis.ini|SerialSync|TIMELOCAL=True"},
        {"Check1 checked", Clicks(&Window::udpBroadcast), "Corvantis.ini|UDP|SENDUDP= 1"},
        {"AutoStart checked", Clicks(&Window::autoStart), "Corvantis.ini|GPS|AUTOSTART= 1"},
        {"Check2 saves nothing", Clicks(&Window::sendingOn), ""},
        {"Check5 saves nothing", Clicks(&Window::toMessageClocks), ""},
        {"Check8 saves nothing", Clicks(&Window::broadcastTime), ""},
        {"UDPaddress saves nothing",
         [](Window& w) {
             w.udpAddress.OperatorKeyPress('1');
             w.udpAddress.OperatorLeave();
         },
         ""},
        {"a leaving-focus list saves nothing on a click", Picks(&Window::startMonth, 4), ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TakeWrites();
        row.click(window);
        EXPECT_EQ(TakeWrites(), row.writes);
    }
}

TEST_F(SettingsHandlersTest, LeavingFocusListsAreInTheFileOnlyAfterTheFocusLeft) {
    struct Row {
        ComboBox Window::*list;
        std::string key;
    };
    const std::vector<Row> rows = {
        {&Window::startMonth, "DSTSTARTMON"},
        {&Window::startWeekday, "DSTSTARTDOW"},
        {&Window::startOccurrence, "DSTSTARTOCCUR"},
        {&Window::changeHour, "DSTHOUR"},
        {&Window::leapYear, "LEAPSEC"},
        {&Window::endWeekday, "DSTENDDOW"},
        {&Window::endMonth, "DSTENDMON"},
        {&Window::endOccurrence, "DSTENDOCCUR"},
        {&Window::zoneOffset, "TZHOUROFFSET"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.key);
        ComboBox& list = window.*row.list;
        list.OperatorPick(1);
        list.OperatorLeave();
        list.OperatorPick(3);
        EXPECT_EQ(*store.Find(kFakeDataIni, "CommMethod", row.key), "1");
        list.OperatorLeave();
        EXPECT_EQ(*store.Find(kFakeDataIni, "CommMethod", row.key), "3");
    }
}

TEST_F(SettingsHandlersTest, Check7SwitchesTheEightListsInOrderThenWrites) {
    const std::vector<ComboBox*> lists = {
        &window.startDayOfMonth, &window.startMonth, &window.startWeekday,  &window.startOccurrence,
        &window.endWeekday,      &window.endMonth,   &window.endOccurrence, &window.endDayOfMonth};
    std::vector<std::string> expected;
    for (const char* state : {"0 after 0", "1 after 1"}) {
        for (ComboBox* list : lists) {
            expected.push_back(list->Name() + ":" + state + " writes");
        }
    }
    for (ComboBox* list : lists) {
        WatchEnabled(*list);
    }
    window.autoDaylightSaving.SetValue(2);  // greyed disables
    window.autoDaylightSaving.OperatorClick();
    EXPECT_EQ(events, expected);
}

TEST_F(SettingsHandlersTest, AFixedDaySwitchesItsRulesWeekdayAndOccurrenceOffAfterTheWrite) {
    WatchEnabled(window.startWeekday);
    WatchEnabled(window.startOccurrence);
    WatchEnabled(window.endOccurrence);
    WatchEnabled(window.endWeekday);

    window.startDayOfMonth.OperatorPick(5);
    window.endDayOfMonth.OperatorPick(9);
    EXPECT_EQ(events,
              (std::vector<std::string>{"Combo11:0 after 1 writes", "Combo12:0 after 1 writes",
                                        "Combo9:0 after 2 writes", "Combo5:0 after 2 writes"}));

    // Checking autoDaylightSaving switches every list on; the next click on startDayOfMonth
    // switches its pair off.
    window.autoDaylightSaving.OperatorClick();
    EXPECT_TRUE(window.startWeekday.Enabled() && window.startOccurrence.Enabled());
    window.startDayOfMonth.OperatorPick(5);
    EXPECT_FALSE(window.startWeekday.Enabled() || window.startOccurrence.Enabled());

    // No selection counts as no fixed day and is written as minus one.
    window.startDayOfMonth.SetListIndex(-1);
    EXPECT_TRUE(window.startWeekday.Enabled() && window.startOccurrence.Enabled());
    EXPECT_EQ(*store.Find(kFakeDataIni, "CommMethod", "DSTSTARTDOM"), "-1");
    window.endDayOfMonth.OperatorPick(0);
    EXPECT_TRUE(window.endOccurrence.Enabled() && window.endWeekday.Enabled());
}

TEST_F(SettingsHandlersTest, Check1ShowsOrHidesItsLabelsAndSavesOnlyWhenChecked) {
    window.udpAddressLabel.SetVisible(true);
    window.udpBroadcast.SetValue(1);
    window.udpBroadcast.OperatorClick();  // unchecked
    EXPECT_FALSE(window.udpAddressLabel.Visible());
    EXPECT_FALSE(window.udpRateLabel.Visible());
    EXPECT_EQ(*store.Find(kFakeCorvantisIni, "UDP", "SENDUDP"), " 1");

    TakeWrites();
    window.udpBroadcast.OperatorClick();  // checked
    EXPECT_TRUE(window.udpRateLabel.Visible());
    EXPECT_FALSE(window.udpAddressLabel.Visible());
    EXPECT_EQ(TakeWrites(), "Corvantis.ini|UDP|SENDUDP= 1");
}

TEST_F(SettingsHandlersTest, Check1ReportsAFailedStepAndGoesOnWithTheNext) {
    int failures = 0;
    window.udpRateLabel.AddObserver([&](ControlProperty) {
        ++failures;
        throw Failure(failures == 1 ? 5 : error::kNeverShown, "Invalid procedure call");
    });
    window.udpBroadcast.OperatorClick();
    ASSERT_EQ(platform.dialog.shown.size(), 1u);
    EXPECT_EQ(platform.dialog.shown[0].title, "5");
    EXPECT_EQ(platform.dialog.shown[0].text, "Invalid procedure call");
    EXPECT_EQ(*store.Find(kFakeCorvantisIni, "UDP", "SENDUDP"), " 1");

    window.udpBroadcast.OperatorClick();  // 126 passes without a message
    EXPECT_EQ(platform.dialog.shown.size(), 1u);
}

TEST_F(SettingsHandlersTest, Check8SetsTimeOnlyMessagesWhenCheckedOnly) {
    window.sendMode = SendMode::Addressed;
    window.broadcastTime.OperatorClick();
    EXPECT_EQ(window.sendMode, SendMode::TimeOnly);
    window.sendMode = SendMode::Rules;
    window.broadcastTime.OperatorClick();
    EXPECT_EQ(window.sendMode, SendMode::Rules);
}

TEST_F(SettingsHandlersTest, SerialRateSetsSendRateFromItsSelectionAfterTheWrite) {
    std::optional<std::int16_t> rateAtWrite;
    store.beforeWrite = [&] { rateAtWrite = window.sendRate; };
    window.serialRate.OperatorPick(3);
    EXPECT_EQ(window.sendRate, std::optional<std::int16_t>(3));
    EXPECT_EQ(rateAtWrite, std::nullopt);

    window.serialRate.SetText("typed text");
    window.serialRate.SetListIndex(-1);
    EXPECT_EQ(window.sendRate, std::optional<std::int16_t>(3));
    EXPECT_EQ(*store.Find(kFakeCorvantisIni, "SerialSync", "SERIALRATE"), "typed text");
}

TEST_F(SettingsHandlersTest, Option1SetsUseUtcBeforeItsTwoWrites) {
    std::vector<bool> useUtcAtWrites;
    store.beforeWrite = [&] { useUtcAtWrites.push_back(window.useUtc); };
    window.useUtc = true;
    window.utcOrLocal[1].OperatorClick();
    EXPECT_FALSE(window.useUtc);
    EXPECT_EQ(useUtcAtWrites, (std::vector<bool>{false, false}));
    window.utcOrLocal[0].OperatorClick();
    EXPECT_TRUE(window.useUtc);
    // Selecting the selected option again runs the reaction and writes again.
    store.log.clear();
    window.utcOrLocal[0].SetValue(true);
    EXPECT_EQ(store.log.size(), 2u);
}

TEST_F(SettingsHandlersTest, AutoStartRegistersAndRemovesTheProgram) {
    const std::string command = AutoRunCommand(platform.info);
    window.autoStart.OperatorClick();
    const auto& run = platform.registry.keys[kRunKey];
    ASSERT_EQ(run.count("Corvantis"), 1u);
    EXPECT_EQ(std::string(run.at("Corvantis").data.begin(), run.at("Corvantis").data.end()),
              command);
    window.autoStart.OperatorClick();
    EXPECT_EQ(platform.registry.keys[kRunKey].count("Corvantis"), 0u);
    EXPECT_EQ(*store.Find(kFakeCorvantisIni, "GPS", "AUTOSTART"), " 0");
}

TEST_F(SettingsHandlersTest, AutoStartSavesTheBoxEvenWhenTheRunKeyCannotBeOpened) {
    platform.registry.unopenable.insert(kRunKey);
    window.autoStart.OperatorClick();
    EXPECT_TRUE(platform.registry.keys[kRunKey].empty());
    EXPECT_EQ(*store.Find(kFakeCorvantisIni, "GPS", "AUTOSTART"), " 1");
    EXPECT_TRUE(platform.dialog.shown.empty());
    EXPECT_TRUE(platform.status.warnings.empty());
}

}  // namespace
}  // namespace corvantis::testing
