// The reaction rules every control follows, whoever changes it.
#include "form/controls.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/failure.h"
#include "support/failure_of.h"

namespace corvantis {
namespace {

TEST(CheckBoxTest, ProgramChangeFiresClickOnlyWhenTheValueChanges) {
    CheckBox box("Check7", "caption");
    int clicks = 0;
    box.onClick = [&] { ++clicks; };
    box.SetValue(0);
    EXPECT_EQ(clicks, 0) << "same value: no reaction";
    box.SetValue(1);
    box.SetValue(2);
    EXPECT_EQ(clicks, 2);
    box.SetValue(2);
    EXPECT_EQ(clicks, 2);
}

TEST(CheckBoxTest, RefusesValuesOutsideZeroToTwoAndKeepsItsState) {
    CheckBox box("Check6", "caption");
    box.SetValue(1);
    for (int refused : {3, -1}) {
        EXPECT_EQ(testing::FailureOf([&] { box.SetValue(refused); }).number(),
                  error::kInvalidPropertyValue)
            << refused;
    }
    EXPECT_EQ(box.Value(), 1);
}

TEST(CheckBoxTest, OperatorClickTogglesAndClearsAGreyedBox) {
    CheckBox box("Check8", "caption");
    box.OperatorClick();
    EXPECT_EQ(box.Value(), 1);
    box.OperatorClick();
    EXPECT_EQ(box.Value(), 0);
    box.SetValue(2);
    box.OperatorClick();
    EXPECT_EQ(box.Value(), 1);
}

TEST(ComboBoxTest, TextAndEntriesFireNothingAndSelectNothing) {
    ComboBox list("Combo10", "MonS");
    int clicks = 0;
    list.onClick = [&] { ++clicks; };
    list.SetText("Jan");
    list.AddItem("Jan");
    list.AddItem("Feb");
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(list.ListIndex(), -1);
    EXPECT_EQ(list.Text(), "Jan");

    list.SetText("anything at all");
    EXPECT_EQ(list.ListIndex(), -1) << "text is independent of the selection";
}

TEST(ComboBoxTest, SelectingFiresEveryTimeAndMakesTheEntryTheText) {
    ComboBox list("Combo7", "Combo7");
    int clicks = 0;
    list.onClick = [&] { ++clicks; };
    list.AddItem("0");
    list.AddItem("1");
    list.SetListIndex(1);
    EXPECT_EQ(list.Text(), "1");
    list.SetListIndex(1);
    EXPECT_EQ(clicks, 2) << "a list fires on every selection, changed or not";
    list.SetText("typed");
    EXPECT_EQ(list.ListIndex(), 1);
    list.SetListIndex(-1);
    EXPECT_EQ(list.Text(), "typed") << "no selection leaves the text";
    EXPECT_EQ(clicks, 3);
}

TEST(ComboBoxTest, RefusesAnIndexOutsideTheEntriesWithoutFiring) {
    ComboBox list("Combo10", "MonS");
    int clicks = 0;
    list.onClick = [&] { ++clicks; };
    for (const char* month : {"Jan", "Feb"}) {
        list.AddItem(month);
    }
    EXPECT_THROW(list.SetListIndex(2), Failure);
    EXPECT_THROW(list.SetListIndex(-2), Failure);
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(list.ListIndex(), -1);
    EXPECT_EQ(list.Text(), "MonS");
}

TEST(ComboBoxTest, OperatorEventsReachTheirOwnReactionsOnly) {
    ComboBox list("UDPaddress", "");
    int clicks = 0, leaves = 0, keys = 0;
    list.onClick = [&] { ++clicks; };
    list.onLostFocus = [&] { ++leaves; };
    list.onKeyPress = [&](int key) { keys += key; };
    list.OperatorEdit("10.0.0.1");
    list.OperatorLeave();
    list.OperatorKeyPress(65);
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(leaves, 1);
    EXPECT_EQ(keys, 65);
}

// Typing in a list that only picks: each row types its keys (with the milliseconds since the
// first) into a list showing `shown` and expects the entry then picked.
TEST(ComboBoxTest, TypingTheFirstLettersJumpsToAnEntry) {
    using std::chrono::milliseconds;
    struct Key {
        char key;
        int at;
    };
    const struct {
        const char* why;
        int shown;
        std::vector<Key> keys;
        std::string text;
        int picks;
    } rows[] = {
        {"a prefix, letter case aside", -1, {{'m', 0}, {'A', 100}, {'y', 200}}, "May", 2},
        {"one letter again steps on", -1, {{'j', 0}, {'j', 100}, {'j', 200}}, "Jul", 3},
        {"stepping wraps around", 6, {{'j', 0}, {'j', 100}}, "Jan", 1},
        {"a pause starts afresh", -1, {{'m', 0}, {'a', 1500}}, "Apr", 2},
        {"no entry fits: nothing", 2, {{'x', 0}, {'5', 100}, {'.', 200}}, "Mar", 0},
        {"digits of a number", -1, {{'1', 0}, {'2', 100}}, "12", 2},
        {"the entry shown already", 4, {{'m', 0}}, "May", 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.why);
        ComboBox list("Combo10", "MonS");
        for (const char* entry : {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "1", "12"}) {
            list.AddItem(entry);
        }
        if (row.shown >= 0) {
            list.SetListIndex(row.shown);
        }
        int picks = 0;
        std::string keys;
        list.onClick = [&] { ++picks; };
        list.onKeyPress = [&](int key) { keys += static_cast<char>(key); };
        std::string typed;
        for (const Key& key : row.keys) {
            list.OperatorType(key.key, milliseconds(key.at));
            typed += key.key;
        }
        EXPECT_EQ(list.Text(), row.text);
        EXPECT_EQ(picks, row.picks);
        EXPECT_EQ(keys, typed) << "every key still reaches the key reaction";
        EXPECT_EQ(list.PickPending(), row.picks > 0);
    }
}

TEST(ComboBoxTest, APickIsPendingUntilTheOperatorLeavesOrItIsFinished) {
    ComboBox list("Combo13", "Combo13");
    list.AddItem("0");
    list.AddItem("1");
    int leaves = 0;
    list.onLostFocus = [&] { ++leaves; };
    list.FinishPick();
    EXPECT_EQ(leaves, 0) << "nothing picked";
    list.SetListIndex(1);
    list.FinishPick();
    EXPECT_EQ(leaves, 0) << "the program's own selection is no pick";
    list.OperatorPick(0);
    list.FinishPick();
    list.FinishPick();
    EXPECT_EQ(leaves, 1);
    list.OperatorPick(1);
    list.OperatorLeave();
    list.FinishPick();
    EXPECT_EQ(leaves, 2);
}

TEST(OptionArrayTest, SelectingClearsTheOtherAndFiresEvenWhenAlreadySelected) {
    OptionArray options("Option1", {"UTC", "LOCAL"});
    std::vector<int> clicked;
    options.onClick = [&](int index) { clicked.push_back(index); };
    options[1].SetValue(true);
    options[0].SetValue(true);
    EXPECT_TRUE(options[0].Value());
    EXPECT_FALSE(options[1].Value());
    options[0].SetValue(true);
    EXPECT_EQ(clicked, (std::vector<int>{1, 0, 0}));
    options[0].SetValue(false);
    EXPECT_FALSE(options[0].Value());
    EXPECT_FALSE(options[1].Value());
    EXPECT_EQ(clicked.size(), 3u) << "deselecting runs nothing";
    EXPECT_EQ(options[1].Name(), "Option1(1)");
}

TEST(ControlTest, ObserversSeeEveryChangeInOrder) {
    ComboBox list("Combo13", "Combo13");
    std::vector<ControlProperty> seen;
    list.AddObserver([&](ControlProperty property) { seen.push_back(property); });
    list.AddItem("0");
    list.SetText("x");
    list.SetListIndex(0);
    list.SetEnabled(false);
    list.SetVisible(false);
    EXPECT_EQ(seen, (std::vector<ControlProperty>{
                        ControlProperty::Entries, ControlProperty::Text, ControlProperty::Selection,
                        ControlProperty::Enabled, ControlProperty::Visible}));
}

}  // namespace
}  // namespace corvantis
