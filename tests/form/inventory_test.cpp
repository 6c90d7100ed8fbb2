// The window's inventory: every control with its kind, design text, tooltip, design
// visibility and enabled state, and the non-visual members with their design values.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "form/window.h"

namespace corvantis {
namespace {

enum class Kind { Frame, Label, Button, CheckBox, Option, TextBox, List, Timer };

struct Row {
    const char* name;
    Kind kind;
    const char* text;  // caption, or the design text of a text box or list
    const char* toolTip;
    bool shown;
};

constexpr const char* kPleaseWait = "            Please Wait!              ";

// One row a control, in the window's layout order.
const std::vector<Row>& Inventory() {
    static const std::vector<Row> rows = {
        // Inside the "Display Rule Configuration" frame.
        {"Frame1", Kind::Frame, "Display Rule Configuration", "", true},
        {"Check7", Kind::CheckBox, "Enable Automatic Daylight Saving Time", "", true},
        {"Label15", Kind::Label, "Time Zone Offset from UTC/GMT", "", true},
        {"HourOffset", Kind::List, "Time Zone", "", true},
        {"Label29", Kind::Label, "Start Daylight Saving Time", "", true},
        {"Label30", Kind::Label, "End Daylight Saving Time", "", true},
        {"Label18", Kind::Label, "Occurance", "", true},
        {"Label21", Kind::Label, "Occurance", "", true},
        {"Label19", Kind::Label, "Day of Week", "", true},
        {"Label22", Kind::Label, "Day of Week", "", true},
        {"Label26", Kind::Label, "of", "", true},
        {"Label20", Kind::Label, "of", "", true},
        {"Label27", Kind::Label, "or", "", true},
        {"Label28", Kind::Label, "or", "", true},
        {"Label31", Kind::Label, "Day of the Month", "", true},
        {"Label23", Kind::Label, "Day of the Month", "", true},
        {"Combo12", Kind::List, "OccurS", "", true},
        {"Combo11", Kind::List, "dayS", "", true},
        {"Combo10", Kind::List, "MonS", "", true},
        {"Combo7", Kind::List, "Combo7", "", true},
        {"Combo9", Kind::List, "OccurE", "", true},
        {"Combo5", Kind::List, "dayE", "", true},
        {"Combo6", Kind::List, "MonE", "", true},
        {"Combo8", Kind::List, "Combo8", "", true},
        {"Label16", Kind::Label, "Hour of the day to change DST", "", true},
        {"Combo13", Kind::List, "Combo13", "", true},
        {"Label17", Kind::Label, "Leap Second Year (last 2 digits)", "", false},
        {"Label12", Kind::Label, "A leap second is added at the end of June", "", false},
        {"Label32", Kind::Label, "Add 50 to the year for a December leap second", "", false},
        {"Combo14", Kind::List, "Combo14", "", false},
        {"UseZone", Kind::Button, "Use this PC's time zone",
         "Set the display rules from this PC's time zone", true},
        // Outside the frame, shown in the design. subheading's line is the program's own choice.
        {"Label6", Kind::Label, "Configure Vesper Clocks", "", true},
        {"Label5", Kind::Label, nullptr, "", true},
        {"Label2", Kind::Label, "", "", true},
        {"Label8", Kind::Label, "PC Local Date and Time", "", true},
        {"txtPCtime", Kind::TextBox, "Text1", "", true},
        {"txtLocalTime", Kind::TextBox, "Text1", "", true},
        {"Label3", Kind::Label, "PC data sent to the clock", "", true},
        {"Text1", Kind::TextBox, "", "", true},
        {"Check8", Kind::CheckBox, "Broadcast Time", "", true},
        {"Label10", Kind::Label, "Serial Sync Com Port", "", true},
        {"Combo2", Kind::List, "None", "", true},
        {"Label34", Kind::Label, "Current Clock Address ( 0=All clocks)", "", true},
        {"CurrAddress", Kind::List, "0", "", true},
        {"Label35", Kind::Label, "New Clock Address  ( 0=All clocks)", "", true},
        {"NewAddress", Kind::List, "0", "", true},
        {"SendAddr", Kind::Button, "Send Above Address to Clock",
         "Set the address in one or more clocks.", true},
        {"Command2", Kind::Button, "Send Display  Rules",
         "Send Display Rules Using Current Clock Address", true},
        {"Command1", Kind::Button, "Close and Exit", "", true},
        {"Label33", Kind::Label, kPleaseWait, "", true},
        // Hidden in the design.
        {"Label25", Kind::Label, "Clock processor data sent to the PC and Trovex", "", false},
        {"Text3", Kind::TextBox, "", "", false},
        {"Text4", Kind::TextBox, "", "", false},
        {"Label24", Kind::Label, "Display Rule Configuration - Confirmation Received from Movement",
         "", false},
        {"Text2", Kind::TextBox, "Text2", "", false},
        {"Label7", Kind::Label, "GPS Date and Time Received", "", false},
        {"txtGPStime", Kind::TextBox, "Text1", "", false},
        {"Label1", Kind::Label, "GPS Com Port", "", false},
        {"Combo1", Kind::List, "None", "", false},
        {"Label11", Kind::Label, "Serial Xmit Rate", "", false},
        {"SerialRate", Kind::List, "", "", false},
        {"Check1", Kind::CheckBox, "UDP Network Time Sync Broadcast.", "", false},
        {"Label4", Kind::Label, "UDP Xmit Port Address", "", false},
        {"UDPaddress", Kind::List, "", "", false},
        {"Label9", Kind::Label, "UDP Xmit Rate", "", false},
        {"UDPrate", Kind::List, "", "", false},
        {"Check2", Kind::CheckBox, "Broadcast Time", "", false},
        {"Check3", Kind::CheckBox, "Use GPS Date", "", false},
        {"Check4", Kind::CheckBox, "Use analog clock battery save mode", "", false},
        {"Check5", Kind::CheckBox, "Send Time to Message Clocks", "", false},
        {"Check6", Kind::CheckBox, "Send Display Rules to Halvern Clock with the Time Update", "",
         false},
        {"AutoStart", Kind::CheckBox, "Auto-run at Windows Startup", "", false},
        {"Option1(0)", Kind::Option, "UTC", "", false},
        {"Option1(1)", Kind::Option, "LOCAL", "", false},
        {"Label13", Kind::Label, "Hour to turn ON second motor.  0= no action", "", false},
        {"Combo3", Kind::List, "Combo3", "", false},
        {"Label14", Kind::Label, "Hour to turn OFF second motor.  0= no action", "", false},
        {"Combo4", Kind::List, "Combo4", "", false},
        {"Command3", Kind::Button, "Pause Time",
         "Pause movement time updates until power cycle or Send command", false},
        {"Command5", Kind::Button, "Resume Time ", "Resume Movement Time Updates", false},
        {"Command6", Kind::Button, "Send UTC Time Only", "", false},
        {"Command4", Kind::Button, "Hide Program", "", false},
        // Timers: not on screen; "shown" stands for the design's enabled state here.
        {"SendUDP", Kind::Timer, nullptr, "", true},
        {"Timer1", Kind::Timer, nullptr, "", true},
        {"Timer2", Kind::Timer, nullptr, "", true},
        {"Timer3", Kind::Timer, nullptr, "", true},
    };
    return rows;
}

Kind KindOf(Control& control) {
    if (dynamic_cast<Frame*>(&control))
        return Kind::Frame;
    if (dynamic_cast<Label*>(&control))
        return Kind::Label;
    if (dynamic_cast<Button*>(&control))
        return Kind::Button;
    if (dynamic_cast<CheckBox*>(&control))
        return Kind::CheckBox;
    if (dynamic_cast<OptionButton*>(&control))
        return Kind::Option;
    if (dynamic_cast<TextBox*>(&control))
        return Kind::TextBox;
    if (dynamic_cast<ComboBox*>(&control))
        return Kind::List;
    return Kind::Timer;
}

// The caption or design text a control shows, whatever its kind.
std::string DesignText(Control& control) {
    if (auto* captioned = dynamic_cast<CaptionedControl*>(&control))
        return captioned->Caption();
    if (auto* box = dynamic_cast<TextBox*>(&control))
        return box->Text();
    if (auto* list = dynamic_cast<ComboBox*>(&control))
        return list->Text();
    return {};
}

TEST(InventoryTest, EveryControlIsListedOnceAndFoundByItsName) {
    Window window;
    std::set<std::string> listed;
    for (const Row& row : Inventory()) {
        EXPECT_TRUE(listed.insert(row.name).second) << row.name << " listed twice";
    }
    std::vector<std::string> names;
    for (Control* control : window.Controls()) {
        names.push_back(control->Name());
        EXPECT_EQ(window.Find(control->Name()), control) << control->Name();
    }
    std::vector<std::string> expected;
    for (const Row& row : Inventory()) {
        expected.push_back(row.name);
    }
    EXPECT_EQ(names, expected) << "the window's controls, in layout order";
    EXPECT_EQ(window.Find("MSComm1"), nullptr) << "the port object is not a control";
    EXPECT_EQ(window.Find("Nothing"), nullptr);
}

TEST(InventoryTest, KindTextToolTipVisibilityAndEnabledStateAsDesigned) {
    Window window;
    for (const Row& row : Inventory()) {
        SCOPED_TRACE(row.name);
        Control* control = window.Find(row.name);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(KindOf(*control), row.kind);
        if (row.text != nullptr) {
            EXPECT_EQ(DesignText(*control), row.text);
        } else if (row.kind == Kind::Label) {
            EXPECT_NE(DesignText(*control), "") << "the program's own line is shown";
        }
        EXPECT_EQ(control->ToolTip(), row.toolTip);
        if (row.kind == Kind::Timer) {
            EXPECT_EQ(control->Enabled(), row.shown) << "timers are enabled in the design";
        } else {
            EXPECT_EQ(control->Visible(), row.shown);
            EXPECT_TRUE(control->Enabled()) << "every control is enabled in the design";
        }
    }
}

// Only useGpsDate is checked, LOCAL is selected, no list has a selection and only the rate lists
// have entries, and only the clock-message boxes are fixed pitch.
TEST(InventoryTest, ValuesAsDesigned) {
    Window window;
    const std::vector<std::string> rates = {"once per second", "once per minute", "once per hour",
                                            "once per day"};
    for (Control* control : window.Controls()) {
        SCOPED_TRACE(control->Name());
        const std::string& name = control->Name();
        if (auto* box = dynamic_cast<CheckBox*>(control)) {
            EXPECT_EQ(box->Value(), name == "Check3" ? 1 : 0);
        } else if (auto* list = dynamic_cast<ComboBox*>(control)) {
            EXPECT_EQ(list->ListIndex(), -1);
            EXPECT_EQ(list->Entries(), name == "SerialRate" || name == "UDPrate"
                                           ? rates
                                           : std::vector<std::string>{})
                << "filled by start-up, not by the design";
        } else if (auto* text = dynamic_cast<TextBox*>(control)) {
            EXPECT_EQ(text->FixedPitch(), name == "Text1" || name == "Text3" || name == "Text4");
        }
    }
    EXPECT_FALSE(window.utcOrLocal[0].Value()) << "UTC";
    EXPECT_TRUE(window.utcOrLocal[1].Value()) << "LOCAL";
    EXPECT_EQ(window.utcOrLocal.Count(), 2);
    EXPECT_EQ(window.utcOrLocal[1].Index(), 1);
}

TEST(InventoryTest, TimersHaveTheirDesignIntervals) {
    using std::chrono::milliseconds;
    struct TimerRow {
        Timer& timer;
        milliseconds interval;
        bool aligned;  // ticks fall on wall-clock multiples of the interval
    };
    Window window;
    const TimerRow rows[] = {
        {window.sendTick, milliseconds(100), true},
        {window.displayTick, milliseconds(100), false},
        {window.secondTick, milliseconds(1000), false},
        {window.commandWindow, milliseconds(6000), false},
    };
    for (const TimerRow& row : rows) {
        SCOPED_TRACE(row.timer.Name());
        EXPECT_EQ(row.timer.Interval(), row.interval);
        EXPECT_EQ(row.timer.AlignToWallClock(), row.aligned);
    }
}

}  // namespace
}  // namespace corvantis
