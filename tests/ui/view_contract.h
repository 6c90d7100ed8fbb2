// The contract every view of the window keeps, stated once as a typed test suite: each
// view's tests instantiate it with a backend, a type with
//   explicit Backend(Window& window);  // the view of `window`, not shown yet
//   void Show();
//   bool Drawn(const std::string& name);  // the control's widget or window is shown
//   std::string Shown(const std::string& name);  // caption, text, or a list's text
//   int Value(const std::string& name);  // check box 0-2, option 0/1, list's selection
//   std::vector<std::string> TabOrder();  // the controls the keyboard visits, in order
//   void Click(const std::string& name);  // the operator's click
//   void Pick(const std::string& name, int index);  // the operator picks an entry
// Captions used here hold no "&", which toolkits show in their own ways.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "form/window.h"
#include "form/window_layout.h"

namespace corvantis::testing {

// What the form says a control shows: its caption, its text, or a list's text.
inline std::string ModelText(Control& control) {
    if (auto* captioned = dynamic_cast<CaptionedControl*>(&control)) {
        return captioned->Caption();
    }
    if (auto* box = dynamic_cast<TextBox*>(&control)) {
        return box->Text();
    }
    if (auto* list = dynamic_cast<ComboBox*>(&control)) {
        return list->Text();
    }
    return {};
}

inline std::vector<std::string> NamesOf(const std::vector<Control*>& controls) {
    std::vector<std::string> names;
    for (const Control* control : controls) {
        names.push_back(control->Name());
    }
    return names;
}

template <typename Backend>
class ViewContract : public ::testing::Test {
protected:
    Window m_window;
    Backend m_view{m_window};
};

TYPED_TEST_SUITE_P(ViewContract);

TYPED_TEST_P(ViewContract, EveryControlOfTheLayoutIsDrawnAsTheFormSays) {
    this->m_view.Show();
    for (Control* control : DescribeWindowLayout(this->m_window).Controls()) {
        SCOPED_TRACE(control->Name());
        EXPECT_EQ(this->m_view.Drawn(control->Name()), control->Visible());
        EXPECT_EQ(this->m_view.Shown(control->Name()), ModelText(*control));
    }
}

TYPED_TEST_P(ViewContract, TheKeyboardVisitsTheControlsInTheLayoutsOrder) {
    Window& w = this->m_window;
    this->m_view.Show();
    const WindowLayout layout = DescribeWindowLayout(w);
    EXPECT_EQ(this->m_view.TabOrder(), NamesOf(TabOrder(layout)));
    // Controls that come and go take their place in the order, and leave it.
    // (Option buttons stay out: the dialog manager visits a group of them at its selected one.)
    for (Control* shown :
         std::vector<Control*>{&w.clockReply, &w.pcSeconds, &w.rulesWithTime, &w.pauseTime}) {
        shown->SetVisible(true);
    }
    w.startDayOfMonth.SetEnabled(false);
    EXPECT_EQ(this->m_view.TabOrder(), NamesOf(TabOrder(layout)));
}

TYPED_TEST_P(ViewContract, ChangesOfTheModelShowInTheView) {
    Window& w = this->m_window;
    this->m_view.Show();
    w.autoDaylightSaving.SetValue(2);
    w.utcOrLocal[0].SetValue(true);
    for (const char* month : {"Jan", "Feb", "Mar"}) {
        w.startMonth.AddItem(month);
    }
    w.startMonth.SetListIndex(1);
    w.clockPort.SetText("COM5");
    w.sentMessage.SetText("* 5 714 9 32024         1         #");
    w.versionLabel.SetCaption("Version 2.1.33");
    w.sendRules.SetVisible(false);
    w.pleaseWait.SetVisible(false);
    constexpr int kNoValue = -100;  // text boxes and labels hold none
    const struct {
        const char* name;
        int value;
        std::string shown;
    } rows[] = {
        {"Check7", 2, w.autoDaylightSaving.Caption()},  // greyed
        {"Option1(0)", 1, "UTC"},
        {"Option1(1)", 0, "LOCAL"},  // the other option cleared
        {"Combo10", 1, "Feb"},
        {"Combo2", -1, "COM5"},  // text alone selects nothing
        {"Text1", kNoValue, "* 5 714 9 32024         1         #"},
        {"Label2", kNoValue, "Version 2.1.33"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.value != kNoValue) {
            EXPECT_EQ(this->m_view.Value(row.name), row.value);
        }
        EXPECT_EQ(this->m_view.Shown(row.name), row.shown);
    }
    EXPECT_FALSE(this->m_view.Drawn("Command2"));
    EXPECT_FALSE(this->m_view.Drawn("Label33"));
}

TYPED_TEST_P(ViewContract, TheOperatorsChangesReachTheModelOnce) {
    Window& w = this->m_window;
    int clicks = 0;
    int picks = 0;
    w.sendAddress.onClick = [&] { ++clicks; };
    w.startMonth.onClick = [&] { ++picks; };
    for (const char* month : {"Jan", "Feb", "Mar"}) {
        w.startMonth.AddItem(month);
    }
    w.utcOrLocal[0].SetVisible(true);
    w.utcOrLocal[1].SetVisible(true);
    this->m_view.Show();

    this->m_view.Click("SendAddr");
    EXPECT_EQ(clicks, 1);
    this->m_view.Click("Check7");
    EXPECT_EQ(w.autoDaylightSaving.Value(), 1);
    EXPECT_EQ(this->m_view.Value("Check7"), 1);
    this->m_view.Click("Option1(0)");
    EXPECT_TRUE(w.utcOrLocal[0].Value());
    EXPECT_EQ(this->m_view.Value("Option1(1)"), 0);
    this->m_view.Pick("Combo10", 2);
    EXPECT_EQ(w.startMonth.ListIndex(), 2);
    EXPECT_EQ(w.startMonth.Text(), "Mar");
    EXPECT_EQ(picks, 1);
    EXPECT_EQ(this->m_view.Shown("Combo10"), "Mar");
}

REGISTER_TYPED_TEST_SUITE_P(ViewContract, EveryControlOfTheLayoutIsDrawnAsTheFormSays,
                            TheKeyboardVisitsTheControlsInTheLayoutsOrder,
                            ChangesOfTheModelShowInTheView, TheOperatorsChangesReachTheModelOnce);

}  // namespace corvantis::testing
