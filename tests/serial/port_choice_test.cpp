// The Serial Sync and GPS port lists, and the opening of the stored port at start-up.
#include "serial/port_choice.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "serial_fixture.h"

namespace corvantis {
namespace {

using testing::SerialFixture;

// The port log joined by blanks, with the line settings written "S".
std::string LogOf(const SerialFixture& f) {
    std::string joined;
    for (const std::string& entry : f.port.log) {
        joined += (joined.empty() ? "" : " ") +
                  (entry == "Settings=9600,n,8,1" ? std::string("S") : entry);
    }
    return joined;
}

// --- Serial Sync choice -----------------------------------------------------------------

struct ChoiceRow {
    const char* reason;
    const char* entry;  // the entry the operator picks
    int openBefore;     // port open before the choice, 0 for closed
    int absentPort;     // port whose opening fails, 0 for none
    const char* log;
    bool open;
    int commPort;
    const char* text;  // clockPort's text afterwards, also what is stored
};

class SerialSyncChoiceTest : public ::testing::TestWithParam<ChoiceRow> {};

TEST_P(SerialSyncChoiceTest, ClosesTakesTheNumberReopensAndStores) {
    const ChoiceRow& row = GetParam();
    SerialFixture f;
    AttachSerialHandlers(f.window, f.port, f.settings, f.platform.dialog);
    f.platform.port.absentPorts = {row.absentPort};
    if (row.openBefore != 0) {
        f.OpenBefore(row.openBefore);
    }
    f.window.clockPort.AddItem(row.entry);
    f.window.clockPort.OperatorPick(0);

    EXPECT_EQ(LogOf(f), row.log);
    EXPECT_EQ(f.platform.port.PortOpen(), row.open);
    EXPECT_EQ(f.platform.port.CommPort(), row.commPort);
    EXPECT_EQ(f.window.clockPort.Text(), row.text);
    EXPECT_EQ(f.Stored("SerialSync", "COMPORT"), row.text);
    EXPECT_TRUE(f.platform.dialog.shown.empty()) << "the choice never shows a message";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SerialSyncChoiceTest,
    ::testing::Values(
        // An absent port stays closed, silently, and the choice is still shown and stored.
        ChoiceRow{"absent", " COM5", 0, 5, "S CommPort=5 PortOpen=1 !8010", false, 5, "COM5"},
        // Open on another number: closed first, then opened on the new number.
        ChoiceRow{"other", "+COM7", 3, 0, "S PortOpen=0 CommPort=7 PortOpen=1", true, 7, "COM7"},
        // The entry of the port already open closes and reopens it.
        ChoiceRow{"same", "+COM3", 3, 0, "S PortOpen=0 CommPort=3 PortOpen=1", true, 3, "COM3"},
        // Beyond COM16: CommPort keeps 4 and the port reopens on it.
        ChoiceRow{"beyond", "+COM17", 4, 0, "S PortOpen=0 PortOpen=1", true, 4, "COM17"},
        // Compared exactly: a leading zero matches nothing.
        ChoiceRow{"zero", " COM05", 4, 0, "S PortOpen=0 PortOpen=1", true, 4, "COM05"},
        // "None" closes the port and leaves it closed.
        ChoiceRow{"none", "xNone", 2, 0, "S PortOpen=0", false, 2, "None"},
        // Open on 2, the chosen 12 is absent: closed, and it stays closed.
        ChoiceRow{"lost", "+COM12", 2, 12, "S PortOpen=0 CommPort=12 PortOpen=1 !8010", false, 12,
                  "COM12"}),
    [](const auto& info) { return std::string(info.param.reason); });

TEST(SerialSyncChoiceTest, EditingTheTextWithoutPickingRunsNothing) {
    SerialFixture f;
    AttachSerialHandlers(f.window, f.port, f.settings, f.platform.dialog);
    f.window.clockPort.OperatorEdit("+COM5");
    EXPECT_TRUE(f.port.log.empty());
    EXPECT_TRUE(f.platform.profile.log.empty());
    EXPECT_EQ(f.window.clockPort.Text(), "+COM5");
}

TEST(SerialSyncChoiceTest, PickingAFilledEntryUsesItsNumber) {
    SerialFixture f;
    f.platform.probe.present = {10};
    FillSerialSyncList(f.window, f.platform.probe);
    AttachSerialHandlers(f.window, f.port, f.settings, f.platform.dialog);
    f.window.clockPort.OperatorPick(9);  // "+COM10"
    EXPECT_EQ(f.window.clockPort.Text(), "COM10");
    EXPECT_EQ(f.platform.port.CommPort(), 10);
    EXPECT_TRUE(f.platform.port.PortOpen());
}

// --- GPS choice -------------------------------------------------------------------------

struct GpsRow {
    const char* reason;
    std::string gps;
    std::string serialSync;
    int check2;
    bool accepted;
};

class GpsChoiceTest : public ::testing::TestWithParam<GpsRow> {};

TEST_P(GpsChoiceTest, RefusesTheSerialSyncPortInUse) {
    const GpsRow& row = GetParam();
    SerialFixture f;
    AttachSerialHandlers(f.window, f.port, f.settings, f.platform.dialog);
    f.window.clockPort.SetText(row.serialSync);
    f.window.sendingOn.SetValue(row.check2);
    std::string shownWhileOpen;
    std::size_t writesWhileOpen = 0;
    f.platform.dialog.whileOpen = [&] {
        shownWhileOpen = f.window.gpsPort.Text();
        writesWhileOpen = f.platform.profile.log.size();
    };
    f.window.gpsPort.AddItem(row.gps);
    f.window.gpsPort.OperatorPick(0);

    if (row.accepted) {
        EXPECT_TRUE(f.platform.dialog.shown.empty());
        EXPECT_EQ(f.window.gpsPort.Text(), row.gps);
        EXPECT_EQ(f.Stored("GPS", "COMPORT"), row.gps);
    } else {
        ASSERT_EQ(f.platform.dialog.shown.size(), 1u);
        EXPECT_EQ(f.platform.dialog.shown[0].text, "Please check your comm settings");
        EXPECT_EQ(f.platform.dialog.shown[0].title, "ERROR");
        EXPECT_EQ(f.platform.dialog.shown[0].icon, MessageIcon::Exclamation);
        // The warning comes first; "None" is shown and stored only after it is closed.
        EXPECT_EQ(shownWhileOpen, row.gps);
        EXPECT_EQ(writesWhileOpen, 0u);
        EXPECT_EQ(f.window.gpsPort.Text(), "None");
        EXPECT_EQ(f.Stored("GPS", "COMPORT"), "None");
    }
    EXPECT_TRUE(f.port.log.empty()) << "the GPS choice never touches the port";
    EXPECT_EQ(f.Stored("SerialSync", "COMPORT"), "(absent)");
}

INSTANTIATE_TEST_SUITE_P(Rows, GpsChoiceTest,
                         ::testing::Values(GpsRow{"SamePortInUse", "COM2", "COM2", 1, false},
                                           GpsRow{"SamePortNotBroadcasting", "COM2", "COM2", 0,
                                                  true},
                                           GpsRow{"OtherPort", "COM1", "COM2", 1, true},
                                           GpsRow{"BothNone", "None", "None", 1, true},
                                           GpsRow{"BothNoneGreyed", "None", "None", 2, false},
                                           GpsRow{"SamePortGreyed", "COM4", "COM4", 2, false}),
                         [](const auto& info) { return std::string(info.param.reason); });

// --- Start-up: the list and the opening of the stored port ------------------------------

TEST(FillSerialSyncListTest, SixteenEntriesMarkedByTheProbe) {
    SerialFixture f;
    f.platform.probe.present = {1, 3, 12, 16};
    f.window.clockPort.SetText("");
    FillSerialSyncList(f.window, f.platform.probe);

    const std::vector<std::string> expected{
        "+COM1", " COM2",  "+COM3",  " COM4",  " COM5",  " COM6",  " COM7",  " COM8",
        " COM9", " COM10", " COM11", "+COM12", " COM13", " COM14", " COM15", "+COM16"};
    EXPECT_EQ(f.window.clockPort.Entries(), expected);
    EXPECT_EQ(f.platform.probe.probed,
              (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}));
    EXPECT_EQ(f.window.clockPort.Text(), "");
    EXPECT_EQ(f.window.clockPort.ListIndex(), -1);
    EXPECT_TRUE(f.port.log.empty());
}

struct OpeningRow {
    const char* reason;
    const char* text;  // clockPort's text, the stored name
    int check2;
    int commPortBefore;
    int absentPort;  // 0 for none
    const char* log;
    bool open;
    int commPort;
    const char* reports;   // the titles of the messages shown, each a critical one
    bool refused = false;  // not a port from COM1 to COM16: none opened, the list shows "None"
};

class StartupOpeningTest : public ::testing::TestWithParam<OpeningRow> {};

TEST_P(StartupOpeningTest, OpensTheStoredPortUnderTheStartupRule) {
    const OpeningRow& row = GetParam();
    SerialFixture f;
    f.platform.port.SetCommPort(static_cast<std::int16_t>(row.commPortBefore));
    f.platform.port.absentPorts = {row.absentPort};
    f.window.clockPort.SetText(row.text);
    f.window.sendingOn.SetValue(row.check2);
    const std::string refusal = OpenStoredSerialSyncPort(
        f.window, f.port, f.platform.settings,
        [&](const std::function<void()>& action) { ReportAndGoOn(f.platform.dialog, action); });

    EXPECT_EQ(LogOf(f), row.log);
    EXPECT_EQ(f.platform.port.PortOpen(), row.open);
    EXPECT_EQ(f.platform.port.CommPort(), row.commPort);
    const std::string shownAfter = row.refused ? "None" : *row.text == '\0' ? "COM1" : row.text;
    EXPECT_EQ(f.window.clockPort.Text(), shownAfter);
    if (row.refused) {
        // The value, the key and the file, for the one notice start-up shows.
        EXPECT_NE(refusal.find("\"" + std::string(row.text) + "\""), std::string::npos) << refusal;
        EXPECT_NE(refusal.find("COMPORT in the [SerialSync] section of " +
                               f.platform.settings.PathOf(kCorvantisIni)),
                  std::string::npos)
            << refusal;
    } else {
        EXPECT_EQ(refusal, "");
    }
    std::string titles;
    for (const auto& shown : f.platform.dialog.shown) {
        titles += shown.title;
        EXPECT_EQ(shown.icon, MessageIcon::Critical);
    }
    EXPECT_EQ(titles, row.reports);
    EXPECT_TRUE(f.platform.profile.log.empty()) << "start-up writes nothing back";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, StartupOpeningTest,
    ::testing::Values(
        // Empty stored text means COM1, and the list shows it.
        OpeningRow{"Empty", "", 1, 5, 0, "CommPort=1 S PortOpen=1", true, 1, ""},
        // "None": no number, line settings only, nothing opened.
        OpeningRow{"None", "None", 1, 7, 0, "S", false, 7, ""},
        OpeningRow{"TwoDigits", "COM12", 1, 1, 0, "CommPort=12 S PortOpen=1", true, 12, ""},
        // A marked entry does not begin with "COM": no port is opened, not even the earlier.
        OpeningRow{"Marked", "+COM3", 1, 5, 0, "S", false, 5, "", true},
        // Letter case counts.
        OpeningRow{"LowerCase", "com3", 1, 5, 0, "S", false, 5, "", true},
        OpeningRow{"DeviceName", "ttyS0", 1, 5, 0, "S", false, 5, "", true},
        // Not broadcasting: the number is taken, nothing else.
        OpeningRow{"NotBroadcasting", "COM4", 0, 1, 0, "CommPort=4", false, 4, ""},
        OpeningRow{"Greyed", "COM4", 2, 1, 0, "CommPort=4", false, 4, ""},
        OpeningRow{"NoneNotBroadcasting", "None", 0, 3, 0, "", false, 3, ""},
        // An absent port: one message, the port stays closed.
        OpeningRow{"Absent", "COM6", 1, 1, 6, "CommPort=6 S PortOpen=1 !8010", false, 6, "8010"},
        // A number outside COM1-COM16: no port at all, the earlier number is not opened.
        OpeningRow{"Refused", "COM99", 1, 2, 0, "S", false, 2, "", true},
        OpeningRow{"Zero", "COM0", 1, 2, 0, "S", false, 2, "", true},
        OpeningRow{"Seventeen", "COM17", 1, 2, 0, "S", false, 2, "", true},
        OpeningRow{"Negative", "COM-1", 1, 2, 0, "S", false, 2, "", true},
        // No number after "COM" reads as 0, not a port.
        OpeningRow{"NoNumber", "COMx", 0, 2, 0, "", false, 2, "", true},
        // Halves go to the even number; blanks inside the number are skipped.
        OpeningRow{"Half", "COM2.5", 1, 1, 0, "CommPort=2 S PortOpen=1", true, 2, ""},
        OpeningRow{"Blanks", "COM 1 1", 1, 1, 0, "CommPort=11 S PortOpen=1", true, 11, ""},
        // Too large for 16 bits: refused like any other number outside the range.
        OpeningRow{"Overflow", "COM40000", 1, 3, 0, "S", false, 3, "", true}),
    [](const auto& info) { return std::string(info.param.reason); });

}  // namespace
}  // namespace corvantis
