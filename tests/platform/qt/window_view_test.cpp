// The widgets view forwards the operator's actions to the window model once each, mirrors
// every program change without echoing it back, and lays the window out without overlap.
#include "platform/qt/window_view.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QWheelEvent>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/failure.h"

namespace corvantis {
namespace {

// One application for the whole run, made before the first test and gone before the
// program's statics are torn down.
class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        m_app = std::make_unique<QApplication>(m_argc, m_argv);
    }
    void TearDown() override { m_app.reset(); }

private:
    int m_argc = 1;
    char m_name[14] = "qt_view_tests";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QApplication> m_app;
};

[[maybe_unused]] ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

void App() {
    ASSERT_NE(qApp, nullptr);
}

// Fills and sets the controls the way start-up leaves them with no settings files, so the
// window can be looked at as the operator first sees it.
void FillLikeStartUp(Window& w) {
    w.Label33.SetVisible(false);
    w.txtLocalTime.SetVisible(false);
    w.Check8.SetValue(1);
    w.HourOffset.SetText("0");
    for (int half = -24; half <= 26; ++half) {
        w.HourOffset.AddItem(half % 2 == 0 ? std::to_string(half / 2)
                                           : (half < 0 ? "-" : "") +
                                                 std::to_string(std::abs(half) / 2) + ".5");
    }
    for (int day = 0; day <= 31; ++day) {
        w.Combo7.AddItem(std::to_string(day));
        w.Combo8.AddItem(std::to_string(day));
    }
    for (int hour = 0; hour <= 23; ++hour) {
        w.Combo13.AddItem(std::to_string(hour));
        w.Combo3.AddItem(std::to_string(hour));
        w.Combo4.AddItem(std::to_string(hour));
    }
    for (int year = 0; year <= 99; ++year) {
        w.Combo14.AddItem(std::to_string(year));
        w.CurrAddress.AddItem(std::to_string(year));
        w.NewAddress.AddItem(std::to_string(year));
    }
    const std::vector<std::string> occurrences = {"First", "Second", "Third", "Fourth", "Last"};
    const std::vector<std::string> weekdays = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    const std::vector<std::string> months = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    for (auto [list, entries] : {std::pair{&w.Combo12, &occurrences},
                                 {&w.Combo11, &weekdays},
                                 {&w.Combo10, &months},
                                 {&w.Combo9, &occurrences},
                                 {&w.Combo5, &weekdays},
                                 {&w.Combo6, &months}}) {
        list->SetText(entries->front());
        for (const auto& entry : *entries) {
            list->AddItem(entry);
        }
    }
    w.HourOffset.SetListIndex(12);  // -6
    w.Check6.SetValue(1);
    w.Check7.SetValue(1);
    w.Combo12.SetListIndex(1);  // Second
    w.Combo11.SetListIndex(6);  // Sun
    w.Combo10.SetListIndex(2);  // Mar
    w.Combo9.SetListIndex(0);   // First
    w.Combo5.SetListIndex(6);   // Sun
    w.Combo6.SetListIndex(10);  // Nov
    w.Combo7.SetListIndex(0);
    w.Combo8.SetListIndex(0);
    w.Combo13.SetListIndex(2);
    w.Combo14.SetListIndex(0);
    w.Combo1.SetText("None");
    w.Label2.SetCaption("Version 2.1.33");
    w.Check2.SetValue(1);
    for (int port = 1; port <= 16; ++port) {
        w.Combo2.AddItem(" COM" + std::to_string(port));
    }
    w.Combo2.SetText("None");
    w.txtLocalTime.SetText("");
    w.txtGPStime.SetText("");
    w.SerialRate.SetText("once per second");
    w.Option1[0].SetValue(true);
    w.txtPCtime.SetText("03-09-2024   14:07:05");
    w.Text1.SetText("* 5 714 9 32024         1         #");
}

template <class T>
T* WidgetOf(WindowView& view, const std::string& name) {
    auto* widget = qobject_cast<T*>(view.WidgetFor(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

// Shows the view and makes it the active window, so that focus moves as for a person.
void ShowActive(WindowView& view) {
    view.show();
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
}

std::string Text(const QString& text) {
    return text.toStdString();
}

TEST(WindowViewTest, EveryControlButTheTimersHasANamedWidgetShowingItsText) {
    App();
    Window window;
    WindowView view(window);
    for (Control* control : window.Controls()) {
        SCOPED_TRACE(control->Name());
        QWidget* widget = view.WidgetFor(control->Name());
        if (dynamic_cast<Timer*>(control) != nullptr) {
            EXPECT_EQ(widget, nullptr) << "timers are not widgets";
            continue;
        }
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(Text(widget->objectName()), control->Name());
        EXPECT_EQ(Text(widget->toolTip()), control->ToolTip());
        EXPECT_TRUE(widget->isEnabled());
        if (auto* label = dynamic_cast<Label*>(control)) {
            EXPECT_EQ(Text(qobject_cast<QLabel*>(widget)->text()), label->Caption());
        } else if (auto* frame = dynamic_cast<Frame*>(control)) {
            EXPECT_EQ(Text(qobject_cast<QGroupBox*>(widget)->title()), frame->Caption());
        } else if (auto* button = dynamic_cast<Button*>(control)) {
            EXPECT_EQ(Text(qobject_cast<QPushButton*>(widget)->text()), button->Caption());
        } else if (auto* box = dynamic_cast<CheckBox*>(control)) {
            auto* check = qobject_cast<QCheckBox*>(widget);
            EXPECT_EQ(Text(check->text()), box->Caption());
            EXPECT_EQ(check->isChecked(), box->Value() == 1);
        } else if (auto* option = dynamic_cast<OptionButton*>(control)) {
            auto* radio = qobject_cast<QRadioButton*>(widget);
            EXPECT_EQ(Text(radio->text()), option->Caption());
            EXPECT_EQ(radio->isChecked(), option->Value());
        } else if (auto* textBox = dynamic_cast<TextBox*>(control)) {
            auto* edit = qobject_cast<QLineEdit*>(widget);
            EXPECT_EQ(Text(edit->text()), textBox->Text());
            const QFontMetrics metrics(edit->font());
            EXPECT_EQ(metrics.horizontalAdvance(QLatin1Char('i')) ==
                          metrics.horizontalAdvance(QLatin1Char('M')),
                      textBox->FixedPitch())
                << "fixed pitch";
        } else if (auto* list = dynamic_cast<ComboBox*>(control)) {
            auto* combo = qobject_cast<QComboBox*>(widget);
            EXPECT_EQ(Text(combo->currentText()), list->Text());
            EXPECT_EQ(combo->count(), list->ListCount());
            EXPECT_EQ(combo->currentIndex(), -1);
            EXPECT_TRUE(combo->isEditable());
        } else {
            ADD_FAILURE() << "no kind";
        }
    }
    EXPECT_EQ(Text(view.windowTitle()), "Configure Vesper Clocks");
    EXPECT_FALSE(view.windowIcon().isNull());
}

TEST(WindowViewTest, VisibleWidgetsAreTheDesignsShownControls) {
    App();
    Window window;
    WindowView view(window);
    view.show();
    const std::set<std::string> shown = {
        "Frame1",   "Check7",   "Label15",   "HourOffset",   "Label29", "Label30",    "Label18",
        "Label21",  "Label19",  "Label22",   "Label26",      "Label20", "Label27",    "Label28",
        "Label31",  "Label23",  "Combo12",   "Combo11",      "Combo10", "Combo7",     "Combo9",
        "Combo5",   "Combo6",   "Combo8",    "Label16",      "Combo13", "Label6",     "Label5",
        "Label2",   "Label8",   "txtPCtime", "txtLocalTime", "Label3",  "Text1",      "Check8",
        "Label10",  "Combo2",   "Label34",   "CurrAddress",  "Label35", "NewAddress", "SendAddr",
        "Command2", "Command1", "Label33"};
    std::set<std::string> visible;
    for (Control* control : window.Controls()) {
        if (QWidget* widget = view.WidgetFor(control->Name())) {
            if (widget->isVisible()) {
                visible.insert(control->Name());
            }
        }
    }
    EXPECT_EQ(visible, shown);
    EXPECT_FALSE(view.findChild<QLabel*>(QStringLiteral("warningLine"))->isVisible())
        << "no warning yet";
}

TEST(WindowViewTest, ModelVisibilityAndEnabledStateReachTheWidgets) {
    App();
    Window window;
    WindowView view(window);
    view.show();
    for (TextBox* box : {&window.Text3, &window.Text4}) {
        box->SetVisible(true);
        EXPECT_TRUE(view.WidgetFor(box->Name())->isVisible()) << box->Name();
    }
    window.Label25.SetVisible(true);
    EXPECT_TRUE(view.WidgetFor("Label25")->isVisible());
    window.Label33.SetVisible(false);
    EXPECT_FALSE(view.WidgetFor("Label33")->isVisible());
    window.Combo11.SetEnabled(false);
    EXPECT_FALSE(view.WidgetFor("Combo11")->isEnabled());
    window.Combo11.SetEnabled(true);
    EXPECT_TRUE(view.WidgetFor("Combo11")->isEnabled());
    window.Label2.SetCaption("Version 2.1.33");
    EXPECT_EQ(Text(WidgetOf<QLabel>(view, "Label2")->text()), "Version 2.1.33");
}

TEST(WindowViewTest, VisibleButtonsReachTheirClickOnce) {
    App();
    Window window;
    WindowView view(window);
    ShowActive(view);
    for (Button* button : {&window.SendAddr, &window.Command2, &window.Command1}) {
        SCOPED_TRACE(button->Name());
        int clicks = 0;
        button->onClick = [&] { ++clicks; };
        QTest::mouseClick(WidgetOf<QPushButton>(view, button->Name()), Qt::LeftButton);
        EXPECT_EQ(clicks, 1);
    }
    EXPECT_EQ(Text(WidgetOf<QPushButton>(view, "Command2")->text()), "Send Display  Rules");
}

TEST(WindowViewTest, ProgramChangeOfACheckBoxShowsAndReactsOnce) {
    App();
    Window window;
    WindowView view(window);
    int clicks = 0;
    window.Check7.onClick = [&] { ++clicks; };
    auto* check = WidgetOf<QCheckBox>(view, "Check7");

    window.Check7.SetValue(1);
    EXPECT_EQ(check->checkState(), Qt::Checked);
    EXPECT_EQ(clicks, 1) << "the model's own reaction, not echoed by the widget";
    window.Check7.SetValue(2);
    EXPECT_EQ(check->checkState(), Qt::PartiallyChecked);
    EXPECT_EQ(clicks, 2);
}

TEST(WindowViewTest, OperatorClickOnACheckBoxFollowsTheModelsRule) {
    App();
    Window window;
    WindowView view(window);
    ShowActive(view);
    int clicks = 0;
    window.Check7.onClick = [&] { ++clicks; };
    auto* check = WidgetOf<QCheckBox>(view, "Check7");
    struct Step {
        int before;
        int after;
        Qt::CheckState shown;
    };
    // A greyed box becomes checked, not cleared as Qt's own cycle would have it.
    const Step steps[] = {{0, 1, Qt::Checked}, {1, 0, Qt::Unchecked}, {2, 1, Qt::Checked}};
    for (const Step& step : steps) {
        window.Check7.SetValue(step.before);
        clicks = 0;
        QTest::mouseClick(check, Qt::LeftButton);
        EXPECT_EQ(window.Check7.Value(), step.after) << "from " << step.before;
        EXPECT_EQ(check->checkState(), step.shown) << "from " << step.before;
        EXPECT_EQ(clicks, 1) << "from " << step.before;
    }
}

TEST(WindowViewTest, OptionsAreSelectedByTheModelOnly) {
    App();
    Window window;
    WindowView view(window);
    window.Option1[0].SetVisible(true);
    window.Option1[1].SetVisible(true);
    ShowActive(view);
    std::vector<int> clicked;
    window.Option1.onClick = [&](int index) { clicked.push_back(index); };
    auto* utc = WidgetOf<QRadioButton>(view, "Option1(0)");
    auto* local = WidgetOf<QRadioButton>(view, "Option1(1)");

    QTest::mouseClick(utc, Qt::LeftButton);
    EXPECT_TRUE(window.Option1[0].Value());
    EXPECT_TRUE(utc->isChecked());
    EXPECT_FALSE(local->isChecked());
    window.Option1[1].SetValue(true);
    EXPECT_FALSE(utc->isChecked());
    EXPECT_TRUE(local->isChecked());
    EXPECT_EQ(clicked, (std::vector<int>{0, 1}));
}

// A list of months like the start rule's, watched for reactions and for notifications.
struct WatchedList {
    explicit WatchedList(ComboBox& list) : list(list) {
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
    }
    ComboBox& list;
    int clicks = 0;
    int leaves = 0;
    int textChanges = 0;
    std::vector<int> keys;
};

TEST(WindowViewTest, ProgramChangesOfAListShowWithoutEcho) {
    App();
    Window window;
    WatchedList watched(window.Combo10);
    WindowView view(window);
    auto* combo = WidgetOf<QComboBox>(view, "Combo10");
    EXPECT_EQ(combo->count(), 4);
    EXPECT_EQ(combo->currentIndex(), -1) << "entries select nothing";
    EXPECT_EQ(Text(combo->currentText()), "MonS");

    window.Combo10.SetText("Dec");
    EXPECT_EQ(Text(combo->currentText()), "Dec");
    EXPECT_EQ(watched.textChanges, 1) << "the widget did not write the text back";
    EXPECT_EQ(watched.clicks, 0);
    EXPECT_EQ(watched.leaves, 0);

    window.Combo10.SetListIndex(2);
    EXPECT_EQ(combo->currentIndex(), 2);
    EXPECT_EQ(Text(combo->currentText()), "Mar");
    EXPECT_EQ(watched.clicks, 1);

    window.Combo10.SetText("typed");
    EXPECT_EQ(combo->currentIndex(), 2) << "text is independent of the selection";
    EXPECT_EQ(Text(combo->currentText()), "typed");

    window.Combo10.AddItem("May");
    EXPECT_EQ(combo->count(), 5);
    EXPECT_EQ(combo->currentIndex(), 2);
    EXPECT_EQ(Text(combo->currentText()), "typed");
    EXPECT_EQ(watched.clicks, 1);
}

TEST(WindowViewTest, PickingWithTheMouseReachesOperatorPick) {
    App();
    Window window;
    WatchedList watched(window.Combo10);
    WindowView view(window);
    ShowActive(view);
    auto* combo = WidgetOf<QComboBox>(view, "Combo10");
    combo->showPopup();
    QAbstractItemView* popup = combo->view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(popup->window()));
    QTest::qWait(QApplication::doubleClickInterval() + 50);  // the popup ignores quick releases
    const QPoint entry = popup->visualRect(popup->model()->index(1, 0)).center();
    QTest::mouseClick(popup->viewport(), Qt::LeftButton, {}, entry);
    EXPECT_EQ(window.Combo10.ListIndex(), 1);
    EXPECT_EQ(window.Combo10.Text(), "Feb");
    EXPECT_EQ(watched.clicks, 1);
    EXPECT_EQ(watched.leaves, 0) << "opening the drop-down does not leave the list";
}

TEST(WindowViewTest, PickingWithTheKeyboardReachesOperatorPick) {
    App();
    Window window;
    WatchedList watched(window.Combo10);
    window.Combo10.SetListIndex(0);
    watched.clicks = 0;
    WindowView view(window);
    ShowActive(view);
    auto* combo = WidgetOf<QComboBox>(view, "Combo10");
    combo->setFocus(Qt::TabFocusReason);
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(window.Combo10.ListIndex(), 1);
    EXPECT_EQ(watched.clicks, 1);
    EXPECT_TRUE(watched.keys.empty()) << "arrows are not typed characters";
}

TEST(WindowViewTest, TheWheelPicksOnlyInTheListBeingWorkedIn) {
    App();
    Window window;
    WatchedList watched(window.Combo10);
    window.Combo10.SetListIndex(0);
    watched.clicks = 0;
    WindowView view(window);
    ShowActive(view);
    auto* combo = WidgetOf<QComboBox>(view, "Combo10");
    auto turn = [&] {
        const QPointF at = QPointF(combo->rect().center());
        QWheelEvent wheel(at, combo->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(combo, &wheel);
    };
    WidgetOf<QPushButton>(view, "Command2")->setFocus(Qt::TabFocusReason);
    turn();
    EXPECT_EQ(window.Combo10.ListIndex(), 0) << "passing over an unfocused list";
    EXPECT_EQ(watched.clicks, 0);

    combo->setFocus(Qt::TabFocusReason);
    turn();
    EXPECT_EQ(window.Combo10.ListIndex(), 1);
    EXPECT_EQ(watched.clicks, 1);
}

TEST(WindowViewTest, TypedTextIsTextOnlyAndLeavingReachesOnLostFocus) {
    App();
    Window window;
    WatchedList watched(window.Combo10);
    WindowView view(window);
    ShowActive(view);
    auto* combo = WidgetOf<QComboBox>(view, "Combo10");
    combo->setFocus(Qt::TabFocusReason);
    combo->lineEdit()->selectAll();
    QTest::keyClicks(combo, "Mar");
    EXPECT_EQ(window.Combo10.Text(), "Mar");
    EXPECT_EQ(window.Combo10.ListIndex(), -1);
    EXPECT_EQ(watched.keys, (std::vector<int>{'M', 'a', 'r'}));

    // Clicking a button moves the focus: the list is left before the button's click.
    std::vector<std::string> order;
    window.Combo10.onLostFocus = [&] { order.push_back("leave"); };
    window.Command2.onClick = [&] { order.push_back("click"); };
    QTest::mouseClick(WidgetOf<QPushButton>(view, "Command2"), Qt::LeftButton);
    EXPECT_EQ(order, (std::vector<std::string>{"leave", "click"}));
    EXPECT_EQ(window.Combo10.ListIndex(), -1) << "typing an entry's text does not pick it";
    EXPECT_EQ(watched.clicks, 0);
    EXPECT_EQ(Text(combo->currentText()), "Mar");
}

TEST(WindowViewTest, KeysTypedIntoUdpAddressReachItsKeyPress) {
    App();
    Window window;
    window.UDPaddress.SetVisible(true);
    std::vector<int> keys;
    window.UDPaddress.onKeyPress = [&](int key) { keys.push_back(key); };
    WindowView view(window);
    ShowActive(view);
    auto* combo = WidgetOf<QComboBox>(view, "UDPaddress");
    combo->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(combo, "10.");
    QTest::keyClick(combo, Qt::Key_Backspace);
    EXPECT_EQ(keys, (std::vector<int>{'1', '0', '.', 8}));
    EXPECT_EQ(window.UDPaddress.Text(), "10");
}

TEST(WindowViewTest, WarningLineShowsWarningsAndFailuresOfReactions) {
    App();
    Window window;
    WindowView view(window);
    ShowActive(view);
    auto* line = view.findChild<QLabel*>(QStringLiteral("warningLine"));
    view.Status().ShowWarning("COM3 could not be opened");
    EXPECT_TRUE(line->isVisible());
    EXPECT_EQ(Text(line->text()), "COM3 could not be opened");
    view.Status().ShowWarning("");
    EXPECT_FALSE(line->isVisible()) << "hidden while empty";

    window.Command2.onClick = [] { throw Failure(8002, "Invalid port number"); };
    QTest::mouseClick(WidgetOf<QPushButton>(view, "Command2"), Qt::LeftButton);
    EXPECT_TRUE(line->isVisible());
    EXPECT_EQ(Text(line->text()), "Invalid port number (8002)");

    std::string reported;
    view.onFailure = [&](const std::exception& failure) { reported = failure.what(); };
    QTest::mouseClick(WidgetOf<QPushButton>(view, "Command2"), Qt::LeftButton);
    EXPECT_EQ(reported, "Invalid port number");
}

TEST(WindowViewTest, CloseMouseMoveAndTrayMenuReachTheirHooks) {
    App();
    Window window;
    WindowView view(window);
    int closes = 0;
    std::vector<int> moves;
    int restores = 0;
    int exits = 0;
    view.onCloseRequested = [&] { ++closes; };
    view.onMouseMove = [&](int x) { moves.push_back(x); };
    view.onTrayActivated = [&] { ++restores; };
    window.Command1.onClick = [&] { ++exits; };
    ShowActive(view);
    EXPECT_TRUE(view.hasMouseTracking());

    for (double x : {513.0, 515.4, 516.5, 517.5}) {
        QMouseEvent move(QEvent::MouseMove, QPointF(x, 2.0), view.mapToGlobal(QPointF(x, 2.0)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&view, &move);
    }
    EXPECT_EQ(moves, (std::vector<int>{513, 515, 516, 518})) << "halves to even";

    const QList<QAction*> actions = view.TrayMenu()->actions();
    ASSERT_EQ(actions.size(), 2);
    EXPECT_EQ(Text(actions[0]->text()), "Show");
    EXPECT_EQ(Text(actions[1]->text()), "Close and Exit");
    actions[0]->trigger();
    actions[1]->trigger();
    EXPECT_EQ(restores, 1);
    EXPECT_EQ(exits, 1) << "the menu runs the button's own click";
    view.RemoveTrayIcon();  // harmless with or without an icon
    EXPECT_FALSE(view.HasTrayIcon());

    view.close();
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(view.isVisible());
}

// Every visible widget has at least its minimum size and none overlaps a sibling, inside
// the window and inside its frames.
void ExpectTidy(QWidget* parent) {
    std::vector<QWidget*> shown;
    for (QWidget* child : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isVisible() && !child->isWindow()) {
            shown.push_back(child);
        }
    }
    for (std::size_t i = 0; i < shown.size(); ++i) {
        QWidget* a = shown[i];
        SCOPED_TRACE(Text(a->objectName()));
        const QSize least = a->minimumSizeHint().expandedTo(a->minimumSize());
        EXPECT_GE(a->width(), least.width());
        EXPECT_GE(a->height(), least.height());
        EXPECT_TRUE(parent->rect().contains(a->geometry())) << "inside its parent";
        for (std::size_t j = i + 1; j < shown.size(); ++j) {
            EXPECT_FALSE(a->geometry().intersects(shown[j]->geometry()))
                << "overlaps " << Text(shown[j]->objectName());
        }
        if (auto* label = qobject_cast<QLabel*>(a); label != nullptr && !label->wordWrap()) {
            EXPECT_GE(label->width(), label->sizeHint().width()) << "label clipped";
        }
        if (qobject_cast<QGroupBox*>(a) != nullptr) {
            ExpectTidy(a);
        }
    }
}

TEST(WindowViewTest, NothingOverlapsOrClipsAtAnySize) {
    App();
    Window window;
    FillLikeStartUp(window);
    for (Control* reply : std::initializer_list<Control*>{&window.Label25, &window.Text3,
                                                          &window.Text4, &window.Label33}) {
        reply->SetVisible(true);
    }
    WindowView view(window);
    view.Status().ShowWarning("Please check your comm settings");
    view.show();
    for (const QSize size : {view.size(), view.minimumSize(), view.size() * 2}) {
        SCOPED_TRACE(std::to_string(size.width()) + "x" + std::to_string(size.height()));
        view.resize(size);
        QApplication::processEvents();
        ExpectTidy(&view);
    }
    // A 35-character message fits its box in full.
    auto* sent = WidgetOf<QLineEdit>(view, "Text1");
    const QFontMetrics metrics(sent->font());
    EXPECT_GE(sent->contentsRect().width(),
              metrics.horizontalAdvance(QString(36, QLatin1Char('0'))));
    EXPECT_EQ(sent->width(), WidgetOf<QLineEdit>(view, "Text3")->width());
    EXPECT_EQ(sent->x(), WidgetOf<QLineEdit>(view, "Text3")->x()) << "reply under message";
}

void Screenshot(WindowView& view, const char* file) {
    QDir().mkpath(QStringLiteral(CORVANTIS_SCREENSHOT_DIR));
    const QString path = QStringLiteral(CORVANTIS_SCREENSHOT_DIR "/") + QLatin1String(file);
    ASSERT_TRUE(view.grab().save(path)) << Text(path);
}

TEST(WindowViewTest, ScreenshotsOfTheWindow) {
    App();
    Window window;
    FillLikeStartUp(window);
    WindowView view(window);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    QApplication::processEvents();
    Screenshot(view, "main-window.png");

    // After a command and the clock's first reply, with a warning.
    window.Label33.SetVisible(true);
    for (Control* reply :
         std::initializer_list<Control*>{&window.Label25, &window.Text3, &window.Text4}) {
        reply->SetVisible(true);
    }
    window.Text3.SetText("* 5 714 9 32024   3271117 0 -6 2 0#");
    window.Text4.SetText("05");
    view.Status().ShowWarning("Please check your comm settings");
    QApplication::processEvents();
    Screenshot(view, "main-window-reply.png");
}

}  // namespace
}  // namespace corvantis
