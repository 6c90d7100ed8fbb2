// Start-up against settings made in the test: defaults, each bad key alone, stored ports,
// the transmit rate and the UTC/LOCAL options.
#include "program/startup.h"

#include <gtest/gtest.h>

#include "form/window.h"
#include "serial/port_choice.h"
#include "settings/settings_handlers.h"
#include "support/fakes.h"
#include "transmit/operator_commands.h"

namespace corvantis {
namespace {

const std::string kCorvantisIniPath = testing::kFakeCorvantisIni;
const std::string kDataIniPath = testing::kFakeDataIni;

// Start-up with every handler attached, over the settings a test stores first.
struct Startup {
    void Store(const std::string& file, const char* section, const char* key, const char* value) {
        fake.profile.WriteString(section, key, value, file);
    }
    void Start() {
        fake.profile.log.clear();
        AttachTransmitHandlers(w, fake.line);
        AttachSettingsHandlers(w, fake.settings, fake.dialog, fake.autoRun);
        AttachSerialHandlers(w, fake.port, fake.settings, fake.dialog);
        Form_Load(w, fake.Startup(host));
    }
    std::string Stored(const std::string& file, const char* section, const char* key) {
        const std::string* value = fake.profile.Find(file, section, key);
        return value != nullptr ? *value : "<absent>";
    }

    testing::FakePlatform fake;
    Window w;
    testing::FakeWindowHost host;
};

class StartupTest : public ::testing::Test, protected Startup {};

TEST_F(StartupTest, WithNoSettingsFilesEveryDefaultIsInForceAndNothingIsReported) {
    Start();
    EXPECT_TRUE(fake.dialog.shown.empty());
    EXPECT_EQ(host.calls, std::vector<std::string>{"show"});
    EXPECT_EQ(w.zoneOffset.Text(), "-6");
    EXPECT_EQ(w.zoneOffset.ListIndex(), 12);
    EXPECT_EQ(w.rulesWithTime.Value(), 1);
    EXPECT_EQ(w.autoDaylightSaving.Value(), 1);
    EXPECT_EQ(w.startOccurrence.Text(), "Second");
    EXPECT_EQ(w.startWeekday.Text(), "Sun");
    EXPECT_EQ(w.startMonth.Text(), "Mar");
    EXPECT_EQ(w.endOccurrence.Text(), "First");
    EXPECT_EQ(w.endWeekday.Text(), "Sun");
    EXPECT_EQ(w.endMonth.Text(), "Nov");
    EXPECT_EQ(w.startDayOfMonth.ListIndex(), 0);
    EXPECT_EQ(w.endDayOfMonth.ListIndex(), 0);
    EXPECT_EQ(w.changeHour.Text(), "2");
    EXPECT_EQ(w.leapYear.ListIndex(), 0);
    EXPECT_EQ(w.currentAddress.Text(), "0");
    EXPECT_EQ(w.newAddress.Text(), "0");
    EXPECT_EQ(w.gpsPort.Text(), "None");
    EXPECT_EQ(w.sendingOn.Value(), 1);
    EXPECT_TRUE(w.clockPort.Visible());
    EXPECT_TRUE(w.clockPortLabel.Visible());
    EXPECT_EQ(w.clockPort.Text(), "None");
    EXPECT_EQ(fake.port.Settings(), "9600,n,8,1");
    EXPECT_EQ(fake.port.openCalls, 0);
    EXPECT_EQ(w.serialRate.Text(), "once per second");
    EXPECT_EQ(w.sendRate, std::optional<std::int16_t>(0));
    EXPECT_TRUE(w.utcOrLocal[0].Value());
    EXPECT_FALSE(w.utcOrLocal[1].Value());
    EXPECT_TRUE(w.useUtc);
    EXPECT_EQ(w.sendMode, SendMode::TimeOnly);
    EXPECT_EQ(w.setAddressFlag, 0);
    EXPECT_EQ(w.versionLabel.Caption(), "Version 2.1.33");
    EXPECT_FALSE(w.pleaseWait.Visible());
    EXPECT_FALSE(w.pcLocalTime.Visible());
    EXPECT_EQ(w.pcLocalTime.Text(), "");
    EXPECT_EQ(w.gpsTime.Text(), "");
    EXPECT_EQ(w.pcTime.Text(), "Text1") << "start-up leaves the live display alone";
    EXPECT_TRUE(w.displayTick.Enabled());
    EXPECT_TRUE(w.secondTick.Enabled());
    // Only the reactions write: four keys in data.ini, the two options in Corvantis.ini.
    EXPECT_EQ(fake.profile.log, (std::vector<std::string>{
                                    kDataIniPath + "|CommMethod|ENABLEOCXO=1",
                                    kDataIniPath + "|CommMethod|DSTENABLED=1",
                                    kDataIniPath + "|CommMethod|DSTSTARTDOM=0",
                                    kDataIniPath + "|CommMethod|DSTENDDOM=0",
                                    kCorvantisIniPath + "|SerialSync|TIMEUTC=True",
                                    kCorvantisIniPath + "|SerialSync|TIMELOCAL=False",
                                }));
}

TEST_F(StartupTest, ListsAreFilledInTheirOrder) {
    Start();
    EXPECT_EQ(w.zoneOffset.ListCount(), 51);
    EXPECT_EQ(w.zoneOffset.List(0), "-12");
    EXPECT_EQ(w.zoneOffset.List(1), "-11.5");
    EXPECT_EQ(w.zoneOffset.List(23), "-0.5");
    EXPECT_EQ(w.zoneOffset.List(24), "0");
    EXPECT_EQ(w.zoneOffset.List(50), "13");
    EXPECT_EQ(w.startDayOfMonth.ListCount(), 32);
    EXPECT_EQ(w.changeHour.ListCount(), 24);
    EXPECT_EQ(w.leapYear.ListCount(), 100);
    EXPECT_EQ(w.currentAddress.ListCount(), 100);
    EXPECT_EQ(w.gpsPort.ListCount(), 10);
    EXPECT_EQ(w.clockPort.ListCount(), 16);
    EXPECT_EQ(w.motorOnHour.Text(), "0");
    EXPECT_EQ(w.motorOnHour.ListCount(), 24);
}

std::string Shown(const ComboBox& list) {
    return list.Text() + " #" + std::to_string(list.ListIndex());
}

// Each failing key alone: exactly one report, its control left as start-up filled it, the
// rest restored.
TEST(StartupBadKeyTest, EachBadKeyCostsOneReportAndOnlyItsOwnControl) {
    struct Row {
        std::string file;
        const char* key;
        const char* value;
        int number;
        std::string (*own)(Window&);  // the state of the key's own control
        std::string expected;
        // The report: the failure's own words, then which value of which key and file.
        std::string text;
    };
    const Row rows[] = {
        // A month beyond the list: the first entry's text stays, with no selection.
        {kDataIniPath, "DSTstartMon", "12", 380, [](Window& w) { return Shown(w.startMonth); },
         "Jan #-1",
         "Invalid property value: DSTstartMon=\"12\" in [CommMethod] of " + kDataIniPath},
        // Not a number: the design's "0" stays.
        {kDataIniPath, "TZhouroffset", "minus six", 13,
         [](Window& w) { return Shown(w.zoneOffset); }, "0 #-1",
         "Type mismatch: TZhouroffset=\"minus six\" in [CommMethod] of " + kDataIniPath},
        {kDataIniPath, "DSThour", "70000", 6, [](Window& w) { return Shown(w.changeHour); },
         "Combo13 #-1", "Overflow: DSThour=\"70000\" in [CommMethod] of " + kDataIniPath},
        // A check box refuses 7; the report names the key, as sending stops without rulesWithTime.
        {kDataIniPath, "EnableOCXO", "7", 380,
         [](Window& w) { return std::to_string(w.rulesWithTime.Value()); }, "0",
         "Invalid property value: EnableOCXO=\"7\" in [CommMethod] of " + kDataIniPath},
        // No option selected (TimeLocal, read next, defaults to 0), and UTC still in force.
        {kCorvantisIniPath, "TimeUTC", "perhaps", 13,
         [](Window& w) {
             return std::to_string(w.utcOrLocal[0].Value()) +
                    std::to_string(w.utcOrLocal[1].Value()) + " useUtc " + std::to_string(w.useUtc);
         },
         "00 useUtc 1",
         "Type mismatch: TimeUTC=\"perhaps\" in [SerialSync] of " + kCorvantisIniPath},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.key);
        Startup s;
        s.Store(row.file, row.file == kDataIniPath ? "CommMethod" : "SerialSync", row.key,
                row.value);
        s.Start();
        ASSERT_EQ(s.fake.dialog.shown.size(), 1u);
        EXPECT_EQ(s.fake.dialog.shown[0].title, std::to_string(row.number));
        EXPECT_EQ(s.fake.dialog.shown[0].icon, MessageIcon::Critical);
        EXPECT_EQ(s.fake.dialog.shown[0].text, row.text);
        EXPECT_EQ(row.own(s.w), row.expected);
        EXPECT_EQ(s.w.endMonth.Text(), "Nov") << "later rows still restored";
        EXPECT_EQ(s.w.serialRate.Text(), "once per second");
    }
}

// A settings file that exists but cannot be read is named at start-up, once, before its
// keys fall back to their defaults; the file itself is not touched.
TEST_F(StartupTest, AnUnreadableSettingsFileIsReportedOnceAtStartUp) {
    fake.profile.readProblems[kDataIniPath] = "Permission denied";
    Start();
    ASSERT_EQ(fake.dialog.shown.size(), 1u);
    EXPECT_EQ(fake.dialog.shown[0].text, "cannot read " + kDataIniPath +
                                             ": Permission denied: running on defaults, the "
                                             "file is left as it is");
    EXPECT_EQ(fake.dialog.shown[0].title, "Corvantis");
    EXPECT_EQ(fake.dialog.shown[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(w.changeHour.Text(), "2");
}

TEST_F(StartupTest, StoredLocalTimeStartsInLocalEvenThoughLocalWasSelectedInTheDesign) {
    Store(kCorvantisIniPath, "SerialSync", "TimeUTC", "False");
    Store(kCorvantisIniPath, "SerialSync", "TimeLocal", "True");
    Start();
    EXPECT_TRUE(w.utcOrLocal[1].Value());
    EXPECT_FALSE(w.useUtc) << "re-selecting LOCAL runs the Option1 reaction";
}

TEST_F(StartupTest, AFixedStartDayDisablesTheRuleListsAndIsWrittenBack) {
    Store(kDataIniPath, "CommMethod", "DSTstartDOM", "5");
    Start();
    EXPECT_EQ(w.startDayOfMonth.Text(), "5");
    EXPECT_FALSE(w.startWeekday.Enabled());
    EXPECT_FALSE(w.startOccurrence.Enabled());
    EXPECT_TRUE(w.endOccurrence.Enabled());
    EXPECT_EQ(Stored(kDataIniPath, "CommMethod", "DSTstartDOM"), "5");
}

TEST_F(StartupTest, DaylightSavingOffLeavesCheck7ClearAndTheListsEnabled) {
    Store(kDataIniPath, "CommMethod", "DSTenabled", "0");
    Start();
    EXPECT_EQ(w.autoDaylightSaving.Value(), 0);
    EXPECT_EQ(Stored(kDataIniPath, "CommMethod", "DSTenabled"), "0") << "no reaction ran";
    for (ComboBox* list : {&w.endWeekday, &w.endMonth, &w.endOccurrence, &w.startMonth}) {
        EXPECT_TRUE(list->Enabled()) << list->Name();
    }
}

// The stored Serial Sync port reaches the opening, and SendSync shows or hides the list; how
// each text opens is port_choice's table.
TEST(StartupPortTest, StoredPortsOpenAsTheTextSays) {
    struct Row {
        const char* stored;
        const char* sendSync;
        int commPort;
        bool open;
    };
    for (const Row& row :
         {Row{"COM12", "1", 12, true}, Row{"None", "1", 7, false}, Row{"COM3", "0", 3, false}}) {
        SCOPED_TRACE(std::string(row.stored) + " SendSync " + row.sendSync);
        Startup s;
        s.fake.port.SetCommPort(7);  // the port object's number before start-up
        s.Store(kCorvantisIniPath, "SerialSync", "COMPORT", row.stored);
        s.Store(kCorvantisIniPath, "SerialSync", "SendSync", row.sendSync);
        s.Start();
        EXPECT_TRUE(s.fake.dialog.shown.empty());
        EXPECT_EQ(s.w.clockPort.Text(), row.stored);
        EXPECT_EQ(s.fake.port.CommPort(), row.commPort);
        EXPECT_EQ(s.fake.port.PortOpen(), row.open);
        EXPECT_EQ(s.w.clockPort.Visible(), std::string(row.sendSync) == "1");
    }
}

TEST_F(StartupTest, AnAbsentStoredPortGivesOneReportAndStaysClosed) {
    Store(kCorvantisIniPath, "SerialSync", "COMPORT", "COM3");
    fake.port.absentPorts = {3};
    fake.probe.present = {1, 2};
    Start();
    ASSERT_EQ(fake.dialog.shown.size(), 1u);
    EXPECT_EQ(fake.dialog.shown[0].title, "8010");
    EXPECT_FALSE(fake.port.PortOpen());
    EXPECT_EQ(w.clockPort.List(0), "+COM1");
    EXPECT_EQ(w.clockPort.List(2), " COM3");
}

// When nothing can be sent, one notice on the warning line says which port, why, where the
// setting lives, and how to see the program work without clocks.
TEST(StartupPortTest, WhenNothingIsSentOneNoticeSaysWhy) {
    struct Row {
        const char* stored;
        const char* sendSync;
        bool absent;
        const char* why;  // empty: no notice
    };
    const Row rows[] = {
        {"COM12", "1", false, ""},
        {"None", "1", false, "Not sending to the clocks: no serial port is chosen. "},
        {"COM3", "0", false, "Not sending to the clocks: sending is switched off"},
        {"COM3", "1", true, "Not sending to the clocks: COM3 could not be opened ("},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.stored) + " SendSync " + row.sendSync);
        Startup s;
        s.Store(kCorvantisIniPath, "SerialSync", "COMPORT", row.stored);
        s.Store(kCorvantisIniPath, "SerialSync", "SendSync", row.sendSync);
        if (row.absent) {
            s.fake.port.absentPorts = {3};
        }
        s.Start();
        if (*row.why == '\0') {
            EXPECT_TRUE(s.fake.status.warnings.empty());
            continue;
        }
        ASSERT_EQ(s.fake.status.warnings.size(), 1u);
        const std::string& notice = s.fake.status.warnings[0];
        EXPECT_EQ(notice.rfind(row.why, 0), 0u) << notice;
        EXPECT_NE(notice.find(kCorvantisIniPath), std::string::npos) << notice;
        EXPECT_NE(notice.find("run scripts/run --demo."), std::string::npos) << notice;
    }
}

// A stored name that is not a port from COM1 to COM16, and a display-rule switch refused at
// start-up, each stop every message: one notice names the value, the key, the file and the
// fix, and no port is opened for a name that is not one.
TEST(StartupPortTest, EveryReasonNothingIsSentIsNamedWithItsKeyAndFile) {
    struct Row {
        const char* stored;      // SerialSync COMPORT
        const char* enableOcxo;  // nullptr: absent
        std::vector<std::string> said;
    };
    const Row rows[] = {
        {"COM99",
         nullptr,
         {"\"COM99\" (COMPORT in the [SerialSync] section of " + kCorvantisIniPath}},
        {"COM99999", nullptr, {"\"COM99999\" (COMPORT in the [SerialSync]"}},
        {"ttyS0", nullptr, {"\"ttyS0\"", "not one of COM1 to COM16"}},
        {"COM1",
         "7",
         {"\"Send Display Rules to Halvern Clock with the Time Update\" is off, which stops every "
          "message: EnableOCXO in the [CommMethod] section of " +
              kDataIniPath + " holds \"7\", which start-up refused; set it to 1",
          "Not sending to the clocks: \"Send Display Rules"}},
        {"COM99",
         "0",
         {"\"COM99\"", "EnableOCXO in the [CommMethod] section of " + kDataIniPath +
                           " holds \"0\"; set it to 1"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.stored);
        Startup s;
        s.Store(kCorvantisIniPath, "SerialSync", "COMPORT", row.stored);
        if (row.enableOcxo != nullptr) {
            s.Store(kDataIniPath, "CommMethod", "EnableOCXO", row.enableOcxo);
        }
        s.fake.probe.present = {1};
        s.Start();
        EXPECT_EQ(s.fake.port.openCalls, std::string(row.stored) == "COM1" ? 1 : 0);
        if (std::string(row.stored) != "COM1") {
            EXPECT_EQ(s.w.clockPort.Text(), "None");
        }
        ASSERT_EQ(s.fake.status.warnings.size(), 1u);
        for (const std::string& part : row.said) {
            EXPECT_NE(s.fake.status.warnings[0].find(part), std::string::npos)
                << s.fake.status.warnings[0];
        }
    }
}

// The Windows program has no demo command: its notice names none, and no script.
TEST(StartupNoticeTest, AProgramWithoutADemoNamesNoScript) {
    Startup s;
    s.fake.info.demoCommand.clear();
    s.Store(kCorvantisIniPath, "SerialSync", "COMPORT", "None");
    s.Start();
    ASSERT_EQ(s.fake.status.warnings.size(), 1u);
    const std::string& notice = s.fake.status.warnings[0];
    EXPECT_EQ(notice.find("scripts/"), std::string::npos) << notice;
    EXPECT_EQ(notice.find("demo"), std::string::npos) << notice;
    EXPECT_NE(notice.find(kCorvantisIniPath + "."), std::string::npos) << notice;
}

}  // namespace
}  // namespace corvantis
