// The Win32 view forwards the operator's actions to the window model once each, mirrors every
// program change without echoing it back, and lays the window out without overlap at any DPI.
// Run under wine when cross-built; the operator's actions are the messages a person's clicks
// and keys produce.
#include "ui/win32/win32_window_view.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/failure.h"
#include "platform/version.h"
#include "program/startup.h"
#include "support/fakes.h"
#include "ui/win32/control_ids.h"
#include "ui/win32/resources/resource_ids.h"
#include "ui/win32/win32_dpi.h"
#include "ui/win32/win32_window_host.h"

namespace corvantis {
namespace {

std::wstring Wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

// Text of a window as another program reads it.
std::wstring TextOf(HWND hwnd) {
    wchar_t text[512] = {};
    SendMessageW(hwnd, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text));
    return text;
}

std::wstring ClassOf(HWND hwnd) {
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, static_cast<int>(std::size(name)));
    return name;
}

bool StyleShown(HWND hwnd) {
    return (GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

// A child's rectangle in its parent's client coordinates.
RECT PlaceOf(HWND child) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

bool Overlap(const RECT& a, const RECT& b) {
    RECT both{};
    return IntersectRect(&both, &a, &b) != FALSE;
}

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// A window model and its view; the view exists before anything fills the model, as in the
// program.
class Win32ViewTest : public ::testing::Test {
protected:
    HWND Child(const std::string& name) {
        HWND hwnd = view.ControlHandle(name);
        EXPECT_NE(hwnd, nullptr) << name;
        return hwnd;
    }
    void Click(const std::string& name) { SendMessageW(Child(name), BM_CLICK, 0, 0); }
    // Runs the real start-up without settings files: the window as the operator first sees
    // it.
    void StartUp() {
        testing::FakeWindowHost host;
        Form_Load(window, platform.Startup(host));
        window.pcTime.SetText("03-09-2024   14:07:05");
        window.sentMessage.SetText("* 5 714 9 32024         1         #");
    }
    HWND WarningLine() { return GetDlgItem(view.Handle(), win32ids::kWarningLine); }

    testing::FakePlatform platform;
    Window window;
    Win32WindowView view{window};
};

TEST_F(Win32ViewTest, EveryControlButTheTimersHasANamedChildMirroringIt) {
    HWND top = view.Handle();
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(TextOf(top), L"Configure Vesper Clocks");
    EXPECT_EQ(FindWindowW(win32ids::kMainWindowClass, nullptr), top) << "the fixed class name";
    EXPECT_NE(SendMessageW(top, WM_GETICON, ICON_BIG, 0), 0) << "the program's icon";
    std::set<int> ids;
    for (Control* control : window.Controls()) {
        SCOPED_TRACE(control->Name());
        HWND hwnd = view.ControlHandle(control->Name());
        if (dynamic_cast<Timer*>(control) != nullptr) {
            EXPECT_EQ(hwnd, nullptr) << "timers are not windows";
            continue;
        }
        ASSERT_NE(hwnd, nullptr);
        const int id = win32ids::ControlIdOf(control->Name());
        EXPECT_TRUE(ids.insert(id).second) << "IDs are unique";
        EXPECT_EQ(GetDlgItem(top, id), hwnd) << "found by its fixed ID";
        EXPECT_EQ(StyleShown(hwnd), control->Visible());
        EXPECT_TRUE(IsWindowEnabled(hwnd));
        EXPECT_EQ(view.ToolTipText(control->Name()), Wide(control->ToolTip()));
        const auto style = GetWindowLongPtrW(hwnd, GWL_STYLE);
        if (auto* label = dynamic_cast<Label*>(control)) {
            EXPECT_EQ(ClassOf(hwnd), L"Static");
            EXPECT_EQ(TextOf(hwnd), Wide(label->Caption()));
        } else if (auto* frame = dynamic_cast<Frame*>(control)) {
            EXPECT_EQ(style & BS_TYPEMASK, BS_GROUPBOX);
            EXPECT_EQ(TextOf(hwnd), Wide(frame->Caption()));
        } else if (auto* button = dynamic_cast<Button*>(control)) {
            EXPECT_EQ(style & BS_TYPEMASK, BS_PUSHBUTTON);
            EXPECT_EQ(TextOf(hwnd), Wide(button->Caption()));
        } else if (auto* box = dynamic_cast<CheckBox*>(control)) {
            EXPECT_EQ(style & BS_TYPEMASK, BS_3STATE);
            EXPECT_EQ(TextOf(hwnd), Wide(box->Caption()));
            EXPECT_EQ(SendMessageW(hwnd, BM_GETCHECK, 0, 0), box->Value());
        } else if (auto* option = dynamic_cast<OptionButton*>(control)) {
            EXPECT_EQ(style & BS_TYPEMASK, BS_RADIOBUTTON);
            EXPECT_EQ(TextOf(hwnd), Wide(option->Caption()));
            EXPECT_EQ(SendMessageW(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED, option->Value());
        } else if (auto* textBox = dynamic_cast<TextBox*>(control)) {
            EXPECT_EQ(ClassOf(hwnd), L"Edit");
            EXPECT_NE(style & ES_READONLY, 0);
            EXPECT_EQ(TextOf(hwnd), Wide(textBox->Text()));
            HDC dc = GetDC(hwnd);
            HGDIOBJ old =
                SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)));
            TEXTMETRICW metrics{};
            GetTextMetricsW(dc, &metrics);
            SelectObject(dc, old);
            ReleaseDC(hwnd, dc);
            // The bit set means a variable pitch.
            EXPECT_EQ((metrics.tmPitchAndFamily & TMPF_FIXED_PITCH) == 0, textBox->FixedPitch())
                << "fixed pitch";
        } else if (auto* list = dynamic_cast<ComboBox*>(control)) {
            EXPECT_EQ(ClassOf(hwnd), L"ComboBox");
            EXPECT_EQ(style & 3, CBS_DROPDOWN) << "an editable drop-down list";
            EXPECT_EQ(TextOf(hwnd), Wide(list->Text()));
            EXPECT_EQ(SendMessageW(hwnd, CB_GETCOUNT, 0, 0), list->ListCount());
            EXPECT_EQ(SendMessageW(hwnd, CB_GETCURSEL, 0, 0), CB_ERR);
        } else {
            ADD_FAILURE() << "no kind";
        }
        // Later changes of the model reach the control too.
        control->SetVisible(!control->Visible());
        EXPECT_EQ(StyleShown(hwnd), control->Visible());
        control->SetVisible(!control->Visible());
        control->SetEnabled(false);
        EXPECT_FALSE(IsWindowEnabled(hwnd));
        control->SetEnabled(true);
    }
    window.versionLabel.SetCaption("Version 2.1.33");
    EXPECT_EQ(TextOf(Child("Label2")), L"Version 2.1.33");
    window.sendAddress.SetCaption("Send & Go");
    EXPECT_EQ(TextOf(Child("SendAddr")), L"Send && Go") << "an ampersand shown, not a mnemonic";
    EXPECT_FALSE(StyleShown(WarningLine())) << "no warning yet";
}

TEST_F(Win32ViewTest, TheTabOrderIsTheLayoutsAndSkipsHiddenControls) {
    StartUp();
    view.Show();
    std::vector<std::string> order;
    HWND first = GetNextDlgTabItem(view.Handle(), nullptr, FALSE);
    for (HWND at = first; at != nullptr && order.size() < 40;) {
        const int id = GetDlgCtrlID(at);
        for (const auto& entry : win32ids::kControlIds) {
            if (entry.id == id) {
                order.emplace_back(entry.name);
            }
        }
        at = GetNextDlgTabItem(view.Handle(), at, FALSE);
        if (at == first) {
            break;
        }
    }
    const std::vector<std::string> expected = {
        "Check7",      "HourOffset", "Combo12",  "Combo11",  "Combo10",   "Combo7", "Combo9",
        "Combo5",      "Combo6",     "Combo8",   "Combo13",  "UseZone",   "Check8", "Combo2",
        "CurrAddress", "NewAddress", "SendAddr", "Command2", "txtPCtime", "Text1",  "Command1"};
    EXPECT_EQ(order, expected);
}

TEST_F(Win32ViewTest, CheckBoxesShowProgramChangesAndClicksFollowTheModelsRule) {
    int clicks = 0;
    window.autoDaylightSaving.onClick = [&] { ++clicks; };
    HWND check = Child("Check7");
    struct Step {
        int before;
        int after;
    };
    // A greyed box becomes checked, not cleared as the system's own cycle would have it.
    for (const Step& step : {Step{0, 1}, Step{1, 0}, Step{2, 1}}) {
        SCOPED_TRACE("from " + std::to_string(step.before));
        const int changed = window.autoDaylightSaving.Value() != step.before ? 1 : 0;
        clicks = 0;
        window.autoDaylightSaving.SetValue(step.before);
        EXPECT_EQ(SendMessageW(check, BM_GETCHECK, 0, 0), step.before);
        EXPECT_EQ(clicks, changed) << "the model's own reaction, not echoed by the control";
        clicks = 0;
        SendMessageW(check, BM_CLICK, 0, 0);
        EXPECT_EQ(window.autoDaylightSaving.Value(), step.after);
        EXPECT_EQ(SendMessageW(check, BM_GETCHECK, 0, 0), step.after);
        EXPECT_EQ(clicks, 1);
    }
}

TEST_F(Win32ViewTest, ButtonsAndOptionsReachTheirClickOnce) {
    for (Button* button : {&window.sendAddress, &window.sendRules, &window.closeAndExit}) {
        SCOPED_TRACE(button->Name());
        int clicks = 0;
        button->onClick = [&] { ++clicks; };
        Click(button->Name());
        EXPECT_EQ(clicks, 1);
    }
    std::vector<int> clicked;
    window.utcOrLocal.onClick = [&](int index) { clicked.push_back(index); };
    Click("Option1(0)");
    EXPECT_TRUE(window.utcOrLocal[0].Value());
    EXPECT_EQ(SendMessageW(Child("Option1(0)"), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageW(Child("Option1(1)"), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    window.utcOrLocal[1].SetValue(true);
    EXPECT_EQ(SendMessageW(Child("Option1(0)"), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(SendMessageW(Child("Option1(1)"), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(clicked, (std::vector<int>{0, 1}));
}

// A list of months like the start rule's, watched for reactions and for notifications.
class Win32ListTest : public Win32ViewTest {
protected:
    Win32ListTest() {
        for (const char* month : {"Jan", "Feb", "Mar", "Apr"}) {
            list.AddItem(month);
        }
        list.onClick = [this] { ++clicks; };
        list.onLostFocus = [this] { ++leaves; };
        list.onKeyPress = [this](int key) { keys.push_back(key); };
        list.AddObserver([this](ControlProperty property) {
            if (property == ControlProperty::Text) {
                ++textChanges;
            }
        });
        view.Show();
    }
    HWND Edit() {
        COMBOBOXINFO info{};
        info.cbSize = sizeof(info);
        GetComboBoxInfo(combo, &info);
        return info.hwndItem;
    }
    void Notify(int code) {
        SendMessageW(view.Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), code),
                     reinterpret_cast<LPARAM>(combo));
    }

    ComboBox& list = window.startMonth;
    HWND combo = Child("Combo10");
    int clicks = 0;
    int leaves = 0;
    int textChanges = 0;
    std::vector<int> keys;
};

TEST_F(Win32ListTest, ProgramChangesShowWithoutEcho) {
    EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 4);
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), CB_ERR) << "entries select nothing";
    EXPECT_EQ(TextOf(combo), L"MonS");

    list.SetText("Dec");
    EXPECT_EQ(TextOf(combo), L"Dec");
    EXPECT_EQ(textChanges, 1) << "the control did not write the text back";
    EXPECT_EQ(clicks, 0);

    list.SetListIndex(2);
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(TextOf(combo), L"Mar");
    EXPECT_EQ(clicks, 1);

    list.SetText("typed");
    EXPECT_EQ(TextOf(combo), L"typed");
    EXPECT_EQ(list.ListIndex(), 2) << "text is independent of the selection";

    list.AddItem("May");
    EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 5);
    EXPECT_EQ(TextOf(combo), L"typed");
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(leaves, 0);
    EXPECT_TRUE(keys.empty());
}

TEST_F(Win32ListTest, APickReachesOperatorPickOnce) {
    // A closed list changed from outside (as a test driver does): one pick.
    SendMessageW(combo, CB_SETCURSEL, 1, 0);
    Notify(CBN_SELCHANGE);
    EXPECT_EQ(list.ListIndex(), 1);
    EXPECT_EQ(list.Text(), "Feb");
    EXPECT_EQ(clicks, 1);

    // The down arrow in a closed list.
    SetFocus(Edit());
    SendMessageW(Edit(), WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(list.ListIndex(), 2);
    EXPECT_EQ(clicks, 2);
    EXPECT_TRUE(keys.empty()) << "arrows are not typed characters";

    // Moving through the open list picks nothing until it closes on a choice; then once,
    // whatever order the closing notifications come in.
    SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
    SendMessageW(combo, CB_SETCURSEL, 3, 0);
    Notify(CBN_SELCHANGE);
    EXPECT_EQ(clicks, 2);
    Notify(CBN_SELENDOK);
    SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
    Notify(CBN_CLOSEUP);
    Notify(CBN_SELCHANGE);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageW(&message);
    }
    EXPECT_EQ(list.ListIndex(), 3);
    EXPECT_EQ(clicks, 3);
    EXPECT_EQ(leaves, 0) << "opening the drop-down does not leave the list";
}

TEST_F(Win32ListTest, TheWheelPicksOnlyInTheListBeingWorkedIn) {
    list.SetListIndex(0);
    clicks = 0;
    const WPARAM down = MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA));
    SetFocus(Child("Command2"));
    SendMessageW(combo, WM_MOUSEWHEEL, down, 0);
    EXPECT_EQ(list.ListIndex(), 0) << "passing over an unfocused list";
    EXPECT_EQ(clicks, 0);

    SetFocus(Edit());
    SendMessageW(combo, WM_MOUSEWHEEL, down, 0);
    EXPECT_EQ(list.ListIndex(), 1);
    EXPECT_EQ(clicks, 1);
}

TEST_F(Win32ListTest, TypingOnlyJumpsToEntriesAndLeavingReachesOnLostFocus) {
    EXPECT_NE(GetWindowLongPtrW(Edit(), GWL_STYLE) & ES_READONLY, 0) << "the field takes no text";
    SetFocus(Edit());
    SendMessageW(Edit(), EM_SETSEL, 0, -1);
    for (wchar_t c : std::wstring(L"Mar")) {
        SendMessageW(Edit(), WM_CHAR, c, 0);
    }
    EXPECT_EQ(list.Text(), "Mar");
    EXPECT_EQ(list.ListIndex(), 2) << "the first letters pick the entry";
    EXPECT_EQ(keys, (std::vector<int>{'M', 'a', 'r'}));
    EXPECT_EQ(clicks, 1) << "one pick: later letters keep the entry";
    // Free text, Backspace and text written into the field from outside change nothing.
    for (wchar_t c : std::wstring(L"x5.\b")) {
        SendMessageW(Edit(), WM_CHAR, c, 0);
    }
    SendMessageW(Edit(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"5.21x52.7"));
    SendMessageW(Edit(), WM_PASTE, 0, 0);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageW(&message);
    }
    EXPECT_EQ(list.Text(), "Mar");
    EXPECT_EQ(TextOf(combo), L"Mar");
    EXPECT_EQ(clicks, 1);

    SetFocus(Child("Command2"));
    EXPECT_EQ(leaves, 1);
    SetFocus(Edit());
    SetFocus(nullptr);
    EXPECT_EQ(leaves, 1) << "the focus leaving the window does not leave the list";
    // As a test driver does it from another program: the edit field told of a move.
    SendMessageW(Edit(), WM_KILLFOCUS, reinterpret_cast<WPARAM>(Child("Check8")), 0);
    EXPECT_EQ(leaves, 2);
    EXPECT_EQ(TextOf(combo), L"Mar");
}

TEST_F(Win32ListTest, AClickIntoTheFieldOpensTheList) {
    SendMessageW(Edit(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    EXPECT_EQ(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0), TRUE);
    SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
    EXPECT_EQ(clicks, 0);
}

// Under a high-contrast theme the warning line and "Please Wait!" take the theme's colours.
TEST_F(Win32ViewTest, HighContrastGivesTheWarningLineAndPleaseWaitTheSystemsColours) {
    const struct {
        bool highContrast;
        HWND control;
        COLORREF text;
        COLORREF background;
    } rows[] = {
        {true, WarningLine(), GetSysColor(COLOR_INFOTEXT), GetSysColor(COLOR_INFOBK)},
        {true, Child("Label33"), GetSysColor(COLOR_BTNTEXT), GetSysColor(COLOR_BTNFACE)},
        {false, Child("Label33"), RGB(0xb0, 0x1e, 0x1e), GetSysColor(COLOR_BTNFACE)},
        {false, WarningLine(), RGB(0x4a, 0x35, 0x00), RGB(0xff, 0xf4, 0xce)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.highContrast ? "high contrast" : "normal");
        view.isHighContrast = [&row] { return row.highContrast; };
        HDC dc = GetDC(view.Handle());
        SendMessageW(view.Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(row.control));
        EXPECT_EQ(GetTextColor(dc), row.text);
        EXPECT_EQ(GetBkColor(dc), row.background);
        ReleaseDC(view.Handle(), dc);
    }
}

TEST_F(Win32ViewTest, WarningLineShowsWarningsAndFailuresOfReactions) {
    HWND line = WarningLine();
    view.Status().ShowWarning("COM3 could not be opened");
    EXPECT_TRUE(StyleShown(line));
    EXPECT_EQ(TextOf(line), L"COM3 could not be opened");
    view.Status().ShowWarning("");
    EXPECT_FALSE(StyleShown(line)) << "hidden while empty";

    window.sendRules.onClick = [] { throw Failure(8002, "Invalid port number"); };
    Click("Command2");
    EXPECT_TRUE(StyleShown(line));
    EXPECT_EQ(TextOf(line), L"Invalid port number (8002)");

    std::string reported;
    view.onFailure = [&](const std::exception& failure) { reported = failure.what(); };
    Click("Command2");
    EXPECT_EQ(reported, "Invalid port number");
}

// Whatever a reaction throws stops at the view: it is reported and the window goes on
// taking messages, since nothing may unwind through the system's frames.
TEST_F(Win32ViewTest, AnythingAReactionThrowsIsReportedAndTheWindowGoesOn) {
    HWND top = view.Handle();
    ComboBox& list = window.startMonth;
    list.AddItem("Jan");
    HWND combo = Child("Combo10");
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    GetComboBoxInfo(combo, &info);
    constexpr WPARAM kMenuExit = 0x7002;
    struct Case {
        const char* what;
        std::function<void()> arm;  // makes the reaction throw something not a std::exception
        std::function<void()> act;  // the operator's action that sets it off
    };
    const Case cases[] = {
        {"button", [&] { window.sendRules.onClick = [] { throw 42; }; },
         [&] { Click("Command2"); }},
        {"check box", [&] { window.autoDaylightSaving.onClick = [] { throw 42; }; },
         [&] { Click("Check7"); }},
        {"list pick", [&] { list.onClick = [] { throw 42; }; },
         [&] {
             SendMessageW(combo, CB_SETCURSEL, 0, 0);
             SendMessageW(top, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                          reinterpret_cast<LPARAM>(combo));
         }},
        {"key in a list", [&] { list.onKeyPress = [](int) { throw 42; }; },
         [&] { SendMessageW(info.hwndItem, WM_CHAR, L'x', 0); }},
        {"tray menu exit", [&] { window.closeAndExit.onClick = [] { throw 42; }; },
         [&] { SendMessageW(top, WM_COMMAND, kMenuExit, 0); }},
        {"mouse move", [&] { view.onMouseMove = [](int) { throw 42; }; },
         [&] { SendMessageW(top, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5)); }},
        {"close box", [&] { view.onCloseRequested = [] { throw 42; }; },
         [&] { SendMessageW(top, WM_CLOSE, 0, 0); }},
    };
    int afterwards = 0;
    window.sendAddress.onClick = [&] { ++afterwards; };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        view.Status().ShowWarning("");
        c.arm();
        c.act();
        EXPECT_EQ(TextOf(WarningLine()), L"an exception of unknown type");
        EXPECT_TRUE(IsWindow(top));
        const int before = afterwards;
        Click("SendAddr");
        EXPECT_EQ(afterwards, before + 1) << "the window still answers";
    }
}

TEST_F(Win32ViewTest, AFailingFailureHookLeavesTheFailureOnTheWarningLine) {
    int hookCalls = 0;
    view.onFailure = [&](const std::exception&) {
        ++hookCalls;
        throw std::runtime_error("the hook failed too");
    };
    window.sendRules.onClick = [] { throw Failure(8002, "Invalid port number"); };
    Click("Command2");
    EXPECT_EQ(hookCalls, 1);
    EXPECT_EQ(TextOf(WarningLine()), L"Invalid port number (8002)");
    EXPECT_TRUE(IsWindow(view.Handle()));

    view.onFailure = [&](const std::exception&) {
        ++hookCalls;
        throw 7;
    };
    window.sendRules.onClick = [] { throw std::runtime_error("port gone"); };
    Click("Command2");
    EXPECT_EQ(hookCalls, 2);
    EXPECT_EQ(TextOf(WarningLine()), L"port gone");
}

TEST_F(Win32ViewTest, CloseMouseMoveAndNotifyIconReachTheirHooks) {
    int closes = 0;
    std::vector<int> moves;
    int restores = 0;
    int exits = 0;
    view.onCloseRequested = [&] { ++closes; };
    view.onMouseMove = [&](int x) { moves.push_back(x); };
    view.onTrayActivated = [&] { ++restores; };
    window.closeAndExit.onClick = [&] { ++exits; };
    HWND top = view.Handle();

    for (int x : {513, 515, 516, 518}) {
        SendMessageW(top, WM_MOUSEMOVE, 0, MAKELPARAM(x, 2));
    }
    EXPECT_EQ(moves, (std::vector<int>{513, 515, 516, 518}));

    // The icon's callback: a left click or double-click restores; other buttons do not.
    constexpr UINT kIconMessage = WM_APP + 1;
    for (UINT mouse : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_MOUSEMOVE}) {
        SendMessageW(top, kIconMessage, 1, mouse);
    }
    EXPECT_EQ(restores, 2);
    // Enter and Esc in the window (IDOK, IDCANCEL) neither restore nor end anything.
    SendMessageW(top, WM_COMMAND, IDOK, 0);
    SendMessageW(top, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(restores, 2);
    EXPECT_EQ(exits, 0);

    // The icon's menu: "Show" restores, "Close and Exit" is the button's own click.
    constexpr WPARAM kMenuShow = 0x7001;
    constexpr WPARAM kMenuExit = 0x7002;
    SendMessageW(top, WM_COMMAND, kMenuShow, 0);
    SendMessageW(top, WM_COMMAND, kMenuExit, 0);
    EXPECT_EQ(restores, 3);
    EXPECT_EQ(exits, 1);

    EXPECT_TRUE(view.AddNotifyIcon());
    EXPECT_TRUE(view.HasNotifyIcon());
    view.RemoveNotifyIcon();
    view.RemoveNotifyIcon();  // harmless twice
    EXPECT_FALSE(view.HasNotifyIcon());

    SendMessageW(top, WM_CLOSE, 0, 0);
    EXPECT_EQ(closes, 1);
    EXPECT_TRUE(IsWindow(top)) << "the close box asks; the program unloads";
}

TEST_F(Win32ViewTest, TheEndOfTheSessionIsReportedOnlyWhenItEnds) {
    int ends = 0;
    view.onEndSession = [&] { ++ends; };
    SendMessageW(view.Handle(), WM_ENDSESSION, FALSE, 0);  // a log-off that was cancelled
    EXPECT_EQ(ends, 0);
    SendMessageW(view.Handle(), WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(ends, 1);
}

// This program links the executable's resources: what corvantis.exe carries, this has.
TEST(Win32Resources, IconVersionAndManifestComeWithTheProgram) {
    HMODULE self = GetModuleHandleW(nullptr);
    for (int size : {16, 32, 48}) {
        HICON icon = static_cast<HICON>(LoadImageW(self, MAKEINTRESOURCEW(IDI_CORVANTIS),
                                                   IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
        EXPECT_NE(icon, nullptr) << size;
        if (icon != nullptr) {
            DestroyIcon(icon);
        }
    }
    EXPECT_NE(FindResourceW(self, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24)), nullptr)
        << "the manifest (Common Controls 6, DPI awareness)";

    wchar_t path[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameW(self, path, MAX_PATH), 0u);
    const DWORD size = GetFileVersionInfoSizeW(path, nullptr);
    ASSERT_GT(size, 0u);
    std::vector<unsigned char> data(size);
    ASSERT_TRUE(GetFileVersionInfoW(path, 0, size, data.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    // The one version number of the project.
    EXPECT_EQ(HIWORD(fixed->dwFileVersionMS), kVersionMajor);
    EXPECT_EQ(LOWORD(fixed->dwFileVersionMS), kVersionMinor);
    EXPECT_EQ(HIWORD(fixed->dwFileVersionLS), kVersionRevision);
    wchar_t* text = nullptr;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\StringFileInfo\\040904B0\\ProductVersion",
                               reinterpret_cast<void**>(&text), &length));
    EXPECT_EQ(std::wstring(text), Wide(kVersionText));
}

TEST(Win32Dpi, ThePerMonitorAwarenessIsGranted) {
    // Version 2 where the system has it (wine 8 stops at version 1).
    const DpiAwareness awareness = EnablePerMonitorDpiAwareness();
    EXPECT_TRUE(awareness == DpiAwareness::PerMonitor || awareness == DpiAwareness::PerMonitorV2)
        << static_cast<int>(awareness);
    EXPECT_GE(DpiForWindow(nullptr), 96u);
    // The message font doubles with the DPI (heights in pixels, whatever their sign).
    const int at96 = std::abs(static_cast<int>(MessageFontForDpi(96).lfHeight));
    const int at192 = std::abs(static_cast<int>(MessageFontForDpi(192).lfHeight));
    EXPECT_GT(at96, 0);
    EXPECT_GE(at192, 2 * at96 - 1);
    EXPECT_LE(at192, 2 * at96 + 1);
}

TEST_F(Win32ViewTest, TheHostUnloadsOnceAndEndsTheLoop) {
    std::vector<int> quits;
    int destroyed = 0;
    view.onDestroyed = [&] { ++destroyed; };
    Win32WindowHost host(view, [&](int code) { quits.push_back(code); });
    ASSERT_TRUE(view.AddNotifyIcon());
    HWND top = view.Handle();
    host.RemoveNotifyIcon();
    EXPECT_FALSE(view.HasNotifyIcon());
    host.UnloadWindow();
    host.UnloadWindow();
    EXPECT_FALSE(IsWindow(top));
    EXPECT_EQ(view.Handle(), nullptr);
    EXPECT_EQ(view.ControlHandle("Command1"), nullptr);
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(quits, (std::vector<int>{0}));
    // The model lives on; changing it reaches no window.
    window.sentMessage.SetText("after");
    window.pleaseWait.SetVisible(true);
    host.EndProgram();
    EXPECT_EQ(quits, (std::vector<int>{0, 0}));
}

// Every visible control lies inside the client area, the frame's contents inside the frame,
// and no two overlap; labels show their whole caption.
void ExpectTidy(Win32WindowView& view, Window& window) {
    HWND top = view.Handle();
    RECT client{};
    GetClientRect(top, &client);
    const RECT frame = PlaceOf(view.ControlHandle("Frame1"));
    std::vector<Control*> framed;
    std::vector<Control*> shown;
    bool inFrame = false;
    for (Control* control : window.Controls()) {
        if (control == &window.ruleFrame) {
            inFrame = true;
            continue;
        }
        if (control == &window.heading) {
            inFrame = false;  // the first control outside the frame
        }
        HWND hwnd = view.ControlHandle(control->Name());
        if (hwnd == nullptr || !StyleShown(hwnd)) {
            continue;
        }
        shown.push_back(control);
        if (inFrame) {
            framed.push_back(control);
        }
    }
    for (std::size_t i = 0; i < shown.size(); ++i) {
        HWND a = view.ControlHandle(shown[i]->Name());
        SCOPED_TRACE(shown[i]->Name());
        RECT place = PlaceOf(a);
        if (ClassOf(a) == L"ComboBox") {
            COMBOBOXINFO info{};
            info.cbSize = sizeof(info);
            GetComboBoxInfo(a, &info);
            place.bottom = place.top + (info.rcItem.bottom + 3);  // the closed list only
        }
        EXPECT_TRUE(Inside(place, client))
            << "inside the window " << place.left << "," << place.top << "," << place.right << ","
            << place.bottom << " in " << client.right << "x" << client.bottom;
        const bool framedControl =
            std::find(framed.begin(), framed.end(), shown[i]) != framed.end();
        if (framedControl) {
            EXPECT_TRUE(Inside(place, frame)) << "inside the frame";
        } else {
            EXPECT_FALSE(Overlap(place, frame)) << "outside the frame";
        }
        for (std::size_t j = i + 1; j < shown.size(); ++j) {
            RECT other = PlaceOf(view.ControlHandle(shown[j]->Name()));
            if (ClassOf(view.ControlHandle(shown[j]->Name())) == L"ComboBox") {
                COMBOBOXINFO info{};
                info.cbSize = sizeof(info);
                GetComboBoxInfo(view.ControlHandle(shown[j]->Name()), &info);
                other.bottom = other.top + (info.rcItem.bottom + 3);
            }
            EXPECT_FALSE(Overlap(place, other)) << "overlaps " << shown[j]->Name();
        }
        if (ClassOf(a) == L"Static") {
            HDC dc = GetDC(a);
            HGDIOBJ old =
                SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(a, WM_GETFONT, 0, 0)));
            const std::wstring text = TextOf(a);
            SIZE size{};
            GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
            SelectObject(dc, old);
            ReleaseDC(a, dc);
            EXPECT_LE(size.cx, place.right - place.left) << "label clipped";
            EXPECT_LE(size.cy, place.bottom - place.top + 1) << "label clipped";
        }
    }
}

// A 35-character message and a 36-character reply fit their boxes in full, one beneath the
// other.
void ExpectMessagesFit(Win32WindowView& view) {
    HWND sent = view.ControlHandle("Text1");
    HWND reply = view.ControlHandle("Text3");
    RECT text{};
    SendMessageW(sent, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&text));
    HDC dc = GetDC(sent);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(sent, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, std::wstring(36, L'0').c_str(), 36, &size);
    SelectObject(dc, old);
    ReleaseDC(sent, dc);
    EXPECT_GE(text.right - text.left, size.cx);
    EXPECT_EQ(PlaceOf(sent).left, PlaceOf(reply).left) << "reply under message";
    EXPECT_EQ(PlaceOf(sent).right, PlaceOf(reply).right);
}

TEST_F(Win32ViewTest, NothingOverlapsOrClipsAtAnyDpi) {
    StartUp();
    // After a command and the clock's first reply, with a warning: everything the running
    // program shows at once.
    window.pleaseWait.SetVisible(true);
    window.clockReplyLabel.SetVisible(true);
    window.clockReply.SetVisible(true);
    window.pcSeconds.SetVisible(true);
    window.clockReply.SetText("*12345678901234567890123456789012345");
    view.Status().ShowWarning("Corvantis.ini could not be saved: access denied");
    view.Show();
    RECT before{};
    GetClientRect(view.Handle(), &before);
    for (UINT dpi : {96u, 120u, 144u, 192u}) {
        SCOPED_TRACE("dpi " + std::to_string(dpi));
        view.ApplyDpi(dpi);
        EXPECT_EQ(view.Dpi(), dpi);
        ExpectTidy(view, window);
        ExpectMessagesFit(view);
    }
    // The window scales with the DPI.
    view.ApplyDpi(96);
    RECT at96{};
    GetClientRect(view.Handle(), &at96);
    view.ApplyDpi(192);
    RECT at192{};
    GetClientRect(view.Handle(), &at192);
    EXPECT_GT(at192.right, at96.right * 3 / 2);
    EXPECT_GT(at192.bottom, at96.bottom * 3 / 2);

    // WM_DPICHANGED moves the window where the system suggests and lays it out anew.
    RECT suggested{40, 30, 40 + at96.right, 30 + at96.bottom};
    SendMessageW(view.Handle(), WM_DPICHANGED, MAKEWPARAM(120, 120),
                 reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(view.Dpi(), 120u);
    RECT placed{};
    GetWindowRect(view.Handle(), &placed);
    EXPECT_EQ(placed.left, 40);
    EXPECT_EQ(placed.top, 30);
    ExpectTidy(view, window);
}

// On the small work areas of common laptops, at every scaling the system offers, the whole
// window lies inside the work area, every control inside the window, and nothing overlaps or
// clips; the font is made smaller only where the window would not fit otherwise.
TEST_F(Win32ViewTest, TheWindowFitsEveryWorkAreaAtEveryScaling) {
    StartUp();
    window.pleaseWait.SetVisible(true);
    window.clockReplyLabel.SetVisible(true);
    window.clockReply.SetVisible(true);
    window.pcSeconds.SetVisible(true);
    view.Status().ShowWarning("Corvantis.ini could not be saved: access denied");
    view.Show();
    for (const ScreenRect area : {ScreenRect{0, 0, 1280, 720}, ScreenRect{0, 0, 1366, 768},
                                  ScreenRect{0, 0, 1280, 680}, ScreenRect{0, 0, 2560, 1600}}) {
        view.workAreas = [area] { return std::vector<ScreenRect>{area}; };
        for (UINT dpi : {96u, 120u, 144u, 168u, 192u}) {
            SCOPED_TRACE(std::to_string(area.right) + "x" + std::to_string(area.bottom) + " at " +
                         std::to_string(dpi));
            view.ApplyDpi(dpi);
            RECT outer{};
            GetWindowRect(view.Handle(), &outer);
            EXPECT_TRUE(Inside(outer, RECT{area.left, area.top, area.right, area.bottom}))
                << outer.left << "," << outer.top << "," << outer.right << "," << outer.bottom;
            ExpectTidy(view, window);
            ExpectMessagesFit(view);
            if (dpi == 96u || area.right == 2560) {
                EXPECT_EQ(view.FontStep(), 100) << "full size where it fits";
            }
        }
    }
}

// A remembered place is taken where it lies on a monitor, and brought into the primary
// monitor's work area when that monitor is gone.
TEST_F(Win32ViewTest, TheWindowIsPlacedInsideAWorkArea) {
    view.workAreas = [] {
        return std::vector<ScreenRect>{{0, 0, 1366, 728}, {1366, 0, 3286, 1040}};
    };
    view.ApplyDpi(96);
    RECT outer{};
    GetWindowRect(view.Handle(), &outer);
    const int width = outer.right - outer.left;
    const int height = outer.bottom - outer.top;
    const struct {
        ScreenPoint wanted;
        ScreenPoint placed;
    } rows[] = {
        {{100, 50}, {100, 50}},                        // on the primary monitor
        {{1500, 200}, {1500, 200}},                    // on the second
        {{700, 400}, {1366 - width, 728 - height}},    // across the edge: moved in
        {{5000, 3000}, {1366 - width, 728 - height}},  // its monitor gone: onto the primary
        {{-4000, -20}, {0, 0}},
    };
    for (const auto& row : rows) {
        view.PlaceAt(row.wanted);
        EXPECT_EQ(view.Place(), row.placed) << row.wanted.x << "," << row.wanted.y;
    }
}

TEST_F(Win32ViewTest, HiddenRowsTakeNoRoomButTheReplyAndPleaseWaitKeepTheirs) {
    StartUp();
    view.Show();
    RECT start{};
    GetClientRect(view.Handle(), &start);
    // The command window and the first reply come and go without moving anything.
    const RECT exitBefore = PlaceOf(Child("Command1"));
    window.pleaseWait.SetVisible(true);
    window.clockReplyLabel.SetVisible(true);
    window.clockReply.SetVisible(true);
    window.pleaseWait.SetVisible(false);
    const RECT exitAfter = PlaceOf(Child("Command1"));
    EXPECT_TRUE(EqualRect(&exitBefore, &exitAfter));
    // A hidden setting shown later takes room of its own.
    window.rulesWithTime.SetVisible(true);
    RECT grown{};
    GetClientRect(view.Handle(), &grown);
    EXPECT_GE(grown.bottom, start.bottom);
    ExpectTidy(view, window);
}

}  // namespace
}  // namespace corvantis
