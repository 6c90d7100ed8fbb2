// The widgets view forwards the operator's actions to the window model once each, mirrors
// every program change without echoing it back, and lays the window out without overlap.
#include "ui/qt/window_view.h"

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
#include <QStyleFactory>
#include <QTest>
#include <QWheelEvent>
#include <memory>
#include <string>
#include <vector>

#include "platform/failure.h"
#include "program/startup.h"
#include "support/fakes.h"
#include "ui/qt/qt_frame_cache.h"

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

// A window model and its view; the view exists before anything fills the model, as in the
// program.
class WindowViewTest : public ::testing::Test {
protected:
    template <class T>
    T* WidgetOf(const std::string& name) {
        auto* widget = qobject_cast<T*>(view.WidgetFor(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    // Shows the view and makes it the active window, so that focus moves as for a person.
    void ShowActive() {
        view.show();
        view.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    }
    // Runs the real start-up without settings files, then shows a running clock and a sent
    // message: the window as the operator first sees it.
    void StartUp() {
        testing::FakeWindowHost host;
        Form_Load(window, platform.Startup(host));
        window.pcTime.SetText("03-09-2024   14:07:05");
        window.sentMessage.SetText("* 5 714 9 32024         1         #");
    }
    QLabel* WarningLine() { return view.findChild<QLabel*>(QStringLiteral("warningLine")); }

    testing::FakePlatform platform;
    Window window;
    WindowView view{window};
};

std::string Text(const QString& text) {
    return text.toStdString();
}

TEST_F(WindowViewTest, EveryControlButTheTimersHasANamedWidgetMirroringIt) {
    view.show();
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
        EXPECT_EQ(widget->isVisible(), control->Visible());
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
        // Later changes of the model reach the widget too.
        control->SetVisible(!control->Visible());
        EXPECT_EQ(widget->isVisible(), control->Visible());
        control->SetVisible(!control->Visible());
        control->SetEnabled(false);
        EXPECT_FALSE(widget->isEnabled());
        control->SetEnabled(true);
    }
    window.versionLabel.SetCaption("Version 2.1.33");
    EXPECT_EQ(Text(WidgetOf<QLabel>("Label2")->text()), "Version 2.1.33");
    EXPECT_EQ(Text(view.windowTitle()), "Configure Vesper Clocks");
    EXPECT_FALSE(view.windowIcon().isNull());
    EXPECT_FALSE(WarningLine()->isVisible()) << "no warning yet";
}

TEST_F(WindowViewTest, VisibleButtonsReachTheirClickOnce) {
    ShowActive();
    for (Button* button :
         {&window.sendAddress, &window.sendRules, &window.closeAndExit, &window.useThisZone}) {
        SCOPED_TRACE(button->Name());
        int clicks = 0;
        button->onClick = [&] { ++clicks; };
        QTest::mouseClick(WidgetOf<QPushButton>(button->Name()), Qt::LeftButton);
        EXPECT_EQ(clicks, 1);
    }
    EXPECT_EQ(Text(WidgetOf<QPushButton>("Command2")->text()), "Send Display  Rules");
    EXPECT_EQ(Text(WidgetOf<QPushButton>("UseZone")->text()), "Use this PC's time zone");
}

TEST_F(WindowViewTest, ACheckBoxShowsProgramChangesAndClicksFollowTheModelsRule) {
    ShowActive();
    int clicks = 0;
    window.autoDaylightSaving.onClick = [&] { ++clicks; };
    auto* check = WidgetOf<QCheckBox>("Check7");
    const Qt::CheckState shown[] = {Qt::Unchecked, Qt::Checked, Qt::PartiallyChecked};
    struct Step {
        int before;
        int after;
    };
    // A greyed box becomes checked, not cleared as Qt's own cycle would have it.
    for (const Step& step : {Step{0, 1}, Step{1, 0}, Step{2, 1}}) {
        SCOPED_TRACE("from " + std::to_string(step.before));
        const int changed = window.autoDaylightSaving.Value() != step.before ? 1 : 0;
        clicks = 0;
        window.autoDaylightSaving.SetValue(step.before);
        EXPECT_EQ(check->checkState(), shown[step.before]);
        EXPECT_EQ(clicks, changed) << "the model's own reaction, not echoed by the widget";
        clicks = 0;
        QTest::mouseClick(check, Qt::LeftButton);
        EXPECT_EQ(window.autoDaylightSaving.Value(), step.after);
        EXPECT_EQ(check->checkState(), shown[step.after]);
        EXPECT_EQ(clicks, 1);
    }
}

TEST_F(WindowViewTest, OptionsAreSelectedByTheModelOnly) {
    window.utcOrLocal[0].SetVisible(true);
    window.utcOrLocal[1].SetVisible(true);
    ShowActive();
    std::vector<int> clicked;
    window.utcOrLocal.onClick = [&](int index) { clicked.push_back(index); };
    auto* utc = WidgetOf<QRadioButton>("Option1(0)");
    auto* local = WidgetOf<QRadioButton>("Option1(1)");

    QTest::mouseClick(utc, Qt::LeftButton);
    EXPECT_TRUE(window.utcOrLocal[0].Value());
    EXPECT_TRUE(utc->isChecked());
    EXPECT_FALSE(local->isChecked());
    window.utcOrLocal[1].SetValue(true);
    EXPECT_FALSE(utc->isChecked());
    EXPECT_TRUE(local->isChecked());
    EXPECT_EQ(clicked, (std::vector<int>{0, 1}));
}

// A list of months like the start rule's, watched for reactions and for notifications.
class ListViewTest : public WindowViewTest {
protected:
    ListViewTest() {
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
    // Shows the window with the list's first entry selected, the reaction count at zero.
    void ShowWithFirstSelected() {
        list.SetListIndex(0);
        clicks = 0;
        ShowActive();
    }

    ComboBox& list = window.startMonth;
    QComboBox* combo = WidgetOf<QComboBox>("Combo10");
    int clicks = 0;
    int leaves = 0;
    int textChanges = 0;
    std::vector<int> keys;
};

TEST_F(ListViewTest, ProgramChangesShowWithoutEcho) {
    EXPECT_EQ(combo->count(), 4);
    EXPECT_EQ(combo->currentIndex(), -1) << "entries select nothing";
    EXPECT_EQ(Text(combo->currentText()), "MonS");

    list.SetText("Dec");
    EXPECT_EQ(Text(combo->currentText()), "Dec");
    EXPECT_EQ(textChanges, 1) << "the widget did not write the text back";
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(leaves, 0);

    list.SetListIndex(2);
    EXPECT_EQ(combo->currentIndex(), 2);
    EXPECT_EQ(Text(combo->currentText()), "Mar");
    EXPECT_EQ(clicks, 1);

    list.SetText("typed");
    EXPECT_EQ(combo->currentIndex(), 2) << "text is independent of the selection";
    EXPECT_EQ(Text(combo->currentText()), "typed");

    list.AddItem("May");
    EXPECT_EQ(combo->count(), 5);
    EXPECT_EQ(combo->currentIndex(), 2);
    EXPECT_EQ(Text(combo->currentText()), "typed");
    EXPECT_EQ(clicks, 1);
}

TEST_F(ListViewTest, PickingWithTheMouseReachesOperatorPick) {
    ShowActive();
    combo->showPopup();
    QAbstractItemView* popup = combo->view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(popup->window()));
    QTest::qWait(QApplication::doubleClickInterval() + 50);  // the popup ignores quick releases
    const QPoint entry = popup->visualRect(popup->model()->index(1, 0)).center();
    QTest::mouseClick(popup->viewport(), Qt::LeftButton, {}, entry);
    EXPECT_EQ(list.ListIndex(), 1);
    EXPECT_EQ(list.Text(), "Feb");
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(leaves, 0) << "opening the drop-down does not leave the list";
}

TEST_F(ListViewTest, PickingWithTheKeyboardReachesOperatorPick) {
    ShowWithFirstSelected();
    combo->setFocus(Qt::TabFocusReason);
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(list.ListIndex(), 1);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(keys.empty()) << "arrows are not typed characters";
}

TEST_F(ListViewTest, TheWheelPicksOnlyInTheListBeingWorkedIn) {
    ShowWithFirstSelected();
    auto turn = [&] {
        const QPointF at = QPointF(combo->rect().center());
        QWheelEvent wheel(at, combo->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(combo, &wheel);
    };
    WidgetOf<QPushButton>("Command2")->setFocus(Qt::TabFocusReason);
    turn();
    EXPECT_EQ(list.ListIndex(), 0) << "passing over an unfocused list";
    EXPECT_EQ(clicks, 0);

    combo->setFocus(Qt::TabFocusReason);
    turn();
    EXPECT_EQ(list.ListIndex(), 1);
    EXPECT_EQ(clicks, 1);
}

TEST_F(ListViewTest, TypingOnlyJumpsToEntriesAndLeavingReachesOnLostFocus) {
    ShowActive();
    EXPECT_TRUE(combo->lineEdit()->isReadOnly()) << "the field takes no text";
    combo->setFocus(Qt::TabFocusReason);
    combo->lineEdit()->selectAll();
    QTest::keyClicks(combo, "Mar");
    EXPECT_EQ(list.Text(), "Mar");
    EXPECT_EQ(list.ListIndex(), 2) << "the first letters pick the entry";
    EXPECT_EQ(keys, (std::vector<int>{'M', 'a', 'r'}));
    // Free text and Backspace change nothing.
    QTest::keyClicks(combo, "x5.");
    QTest::keyClick(combo, Qt::Key_Backspace);
    EXPECT_EQ(list.Text(), "Mar");
    EXPECT_EQ(Text(combo->currentText()), "Mar");

    // Clicking a button moves the focus: the list is left before the button's click.
    std::vector<std::string> order;
    list.onLostFocus = [&] { order.push_back("leave"); };
    window.sendRules.onClick = [&] { order.push_back("click"); };
    QTest::mouseClick(WidgetOf<QPushButton>("Command2"), Qt::LeftButton);
    EXPECT_EQ(order, (std::vector<std::string>{"leave", "click"}));
    EXPECT_EQ(list.ListIndex(), 2);
    EXPECT_EQ(clicks, 1) << "one pick: later letters keep the entry";
    EXPECT_EQ(Text(combo->currentText()), "Mar");
}

TEST_F(ListViewTest, AClickIntoTheFieldOpensTheList) {
    ShowActive();
    QTest::mouseClick(combo->lineEdit(), Qt::LeftButton);
    EXPECT_TRUE(combo->view()->isVisible());
    combo->hidePopup();
    EXPECT_EQ(clicks, 0);
}

// However editing ends, an entry's first letters typed into the list pick that entry once,
// and nothing more: the model holds the entry, never text of its own.
enum class EndOfEditing { FocusMoves, ClickElsewhere, ReturnThenFocusMoves };

struct TypedEntryCase {
    const char* name;
    int selectedBefore;
    EndOfEditing end;
};

void PrintTo(const TypedEntryCase& c, std::ostream* out) {
    *out << c.name;
}

class TypedEntryTest : public ListViewTest, public ::testing::WithParamInterface<TypedEntryCase> {};

TEST_P(TypedEntryTest, PicksTheEntryOnceHoweverEditingEnds) {
    const TypedEntryCase& c = GetParam();
    list.SetListIndex(c.selectedBefore);
    clicks = 0;
    ShowActive();
    combo->setFocus(Qt::TabFocusReason);
    combo->lineEdit()->selectAll();
    QTest::keyClicks(combo, "Mar");
    auto* button = WidgetOf<QPushButton>("Command2");
    switch (c.end) {
        case EndOfEditing::FocusMoves:
            button->setFocus(Qt::TabFocusReason);
            break;
        case EndOfEditing::ClickElsewhere:
            QTest::mouseClick(button, Qt::LeftButton);
            break;
        case EndOfEditing::ReturnThenFocusMoves:
            QTest::keyClick(combo, Qt::Key_Return);
            EXPECT_EQ(combo->currentIndex(), 2) << "Return picks nothing more";
            button->setFocus(Qt::TabFocusReason);
            break;
    }
    ASSERT_FALSE(combo->hasFocus());
    EXPECT_EQ(leaves, 1);
    EXPECT_EQ(clicks, 1) << "one pick reached the model";
    EXPECT_EQ(list.ListIndex(), 2);
    EXPECT_EQ(list.Text(), "Mar");
    EXPECT_EQ(combo->currentIndex(), 2);
    EXPECT_EQ(Text(combo->currentText()), "Mar");
}

INSTANTIATE_TEST_SUITE_P(
    Lists, TypedEntryTest,
    ::testing::Values(
        TypedEntryCase{"NothingSelectedFocusMoves", -1, EndOfEditing::FocusMoves},
        // Another entry selected: the selection moves from "Jan" to "Mar", once.
        TypedEntryCase{"OtherSelectedFocusMoves", 0, EndOfEditing::FocusMoves},
        TypedEntryCase{"OtherSelectedClickElsewhere", 0, EndOfEditing::ClickElsewhere},
        // Return ends editing too.
        TypedEntryCase{"OtherSelectedReturn", 0, EndOfEditing::ReturnThenFocusMoves},
        TypedEntryCase{"NothingSelectedReturn", -1, EndOfEditing::ReturnThenFocusMoves}),
    [](const ::testing::TestParamInfo<TypedEntryCase>& info) { return info.param.name; });

TEST_F(WindowViewTest, KeysTypedIntoUdpAddressReachItsKeyPress) {
    window.udpAddress.SetVisible(true);
    std::vector<int> keys;
    window.udpAddress.onKeyPress = [&](int key) { keys.push_back(key); };
    ShowActive();
    auto* combo = WidgetOf<QComboBox>("UDPaddress");
    combo->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(combo, "10.");
    QTest::keyClick(combo, Qt::Key_Backspace);
    EXPECT_EQ(keys, (std::vector<int>{'1', '0', '.', 8}));
    EXPECT_EQ(window.udpAddress.Text(), "10");
}

TEST_F(WindowViewTest, WarningLineShowsWarningsAndFailuresOfReactions) {
    ShowActive();
    QLabel* line = WarningLine();
    view.Status().ShowWarning("COM3 could not be opened");
    EXPECT_TRUE(line->isVisible());
    EXPECT_EQ(Text(line->text()), "COM3 could not be opened");
    view.Status().ShowWarning("");
    EXPECT_FALSE(line->isVisible()) << "hidden while empty";

    window.sendRules.onClick = [] { throw Failure(8002, "Invalid port number"); };
    QTest::mouseClick(WidgetOf<QPushButton>("Command2"), Qt::LeftButton);
    EXPECT_TRUE(line->isVisible());
    EXPECT_EQ(Text(line->text()), "Invalid port number (8002)");

    std::string reported;
    view.onFailure = [&](const std::exception& failure) { reported = failure.what(); };
    QTest::mouseClick(WidgetOf<QPushButton>("Command2"), Qt::LeftButton);
    EXPECT_EQ(reported, "Invalid port number");
}

TEST_F(WindowViewTest, CloseMouseMoveAndTrayMenuReachTheirHooks) {
    int closes = 0;
    std::vector<int> moves;
    int restores = 0;
    int exits = 0;
    view.onCloseRequested = [&] { ++closes; };
    view.onMouseMove = [&](int x) { moves.push_back(x); };
    view.onTrayActivated = [&] { ++restores; };
    window.closeAndExit.onClick = [&] { ++exits; };
    ShowActive();
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

// The reply controls and the command window's label shown, with a warning.
void ShowEverything(Window& window, WindowView& view) {
    for (Control* reply : std::initializer_list<Control*>{
             &window.clockReplyLabel, &window.clockReply, &window.pcSeconds, &window.pleaseWait}) {
        reply->SetVisible(true);
    }
    window.clockReply.SetText("* 5 714 9 32024   3271117 0 -6 2 0#");
    window.pcSeconds.SetText("05");
    view.Status().ShowWarning("Please check your comm settings");
}

TEST_F(WindowViewTest, NothingOverlapsOrClipsAtAnySize) {
    StartUp();
    ShowEverything(window, view);
    view.show();
    for (const QSize size : {view.size(), view.minimumSize(), view.size() * 2}) {
        SCOPED_TRACE(std::to_string(size.width()) + "x" + std::to_string(size.height()));
        view.resize(size);
        QApplication::processEvents();
        ExpectTidy(&view);
    }
    // A 35-character message fits its box in full.
    auto* sent = WidgetOf<QLineEdit>("Text1");
    const QFontMetrics metrics(sent->font());
    EXPECT_GE(sent->contentsRect().width(),
              metrics.horizontalAdvance(QString(36, QLatin1Char('0'))));
    EXPECT_EQ(sent->width(), WidgetOf<QLineEdit>("Text3")->width());
    EXPECT_EQ(sent->x(), WidgetOf<QLineEdit>("Text3")->x()) << "reply under message";
}

void Screenshot(WindowView& view, const char* file) {
    QDir().mkpath(QStringLiteral(CORVANTIS_SCREENSHOT_DIR));
    const QString path = QStringLiteral(CORVANTIS_SCREENSHOT_DIR "/") + QLatin1String(file);
    ASSERT_TRUE(view.grab().save(path)) << Text(path);
}

TEST_F(WindowViewTest, ScreenshotsOfTheWindow) {
    StartUp();
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    QApplication::processEvents();
    Screenshot(view, "main-window.png");

    // After a command and the clock's first reply, with a warning.
    ShowEverything(window, view);
    QApplication::processEvents();
    Screenshot(view, "main-window-reply.png");
}

// On the small work areas of common laptops, at every scaling, the whole window fits the work
// area, every control lies inside it, and nothing overlaps or clips. Qt lays out in
// device-independent pixels, so a screen at 150 % offers two thirds of its pixels. Pictures
// of each land beside the others.
TEST_F(WindowViewTest, TheWindowFitsEveryWorkAreaAtEveryScaling) {
    StartUp();
    ShowEverything(window, view);
    view.show();
    for (const QSize screen : {QSize(1280, 720), QSize(1366, 768), QSize(2560, 1600)}) {
        for (const int scale : {100, 125, 150, 175, 200}) {
            const std::string name = std::to_string(screen.width()) + "x" +
                                     std::to_string(screen.height()) + "-" + std::to_string(scale);
            SCOPED_TRACE(name);
            const ScreenRect area{0, 0, screen.width() * 100 / scale,
                                  screen.height() * 100 / scale};
            view.workAreas = [area] { return std::vector<ScreenRect>{area}; };
            view.FitScreen();
            QApplication::processEvents();
            const QRect outer = view.frameGeometry();
            EXPECT_TRUE(QRect(0, 0, area.Width(), area.Height()).contains(outer))
                << outer.width() << "x" << outer.height() << " at " << outer.x() << ","
                << outer.y();
            ExpectTidy(&view);
            if (screen.width() == 2560 || scale == 100) {
                EXPECT_EQ(view.FontStep(), 100) << "full size where it fits";
            }
            if (screen.width() == 1366 || scale == 100) {
                Screenshot(view, ("fit-qt-" + name + ".png").c_str());
            }
        }
    }
}

// Counts the paint events a widget receives.
struct PaintCount : QObject {
    explicit PaintCount(QWidget* widget) { widget->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        count += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
    int count = 0;
};

// Minimised (a desktop may keep the window mapped), the running clock repaints nothing;
// restored, the window shows it as it stands.
TEST_F(WindowViewTest, AMinimisedWindowPaintsNothingAndIsCurrentWhenRestored) {
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    auto* clock = WidgetOf<QLineEdit>("txtPCtime");
    const PaintCount paints(clock);
    view.showMinimized();
    QTest::qWait(50);
    const int before = paints.count;
    for (const char* time : {"03-09-2024   14:07:07", "03-09-2024   14:07:08"}) {
        window.pcTime.SetText(time);
        QTest::qWait(20);
    }
    EXPECT_EQ(paints.count, before);
    view.showNormal();
    QTest::qWait(50);
    EXPECT_GT(paints.count, before);
    EXPECT_EQ(Text(clock->text()), "03-09-2024   14:07:08");
}

TEST_F(WindowViewTest, TheWindowIsPlacedInsideAWorkArea) {
    view.workAreas = [] {
        return std::vector<ScreenRect>{{0, 0, 1366, 728}, {1366, 0, 3286, 1040}};
    };
    view.FitScreen();
    const QSize size = view.frameGeometry().size();
    view.PlaceAt({5000, 3000});  // its screen gone: onto the primary one
    EXPECT_EQ(view.Place(), (ScreenPoint{1366 - size.width(), 728 - size.height()}));
    view.PlaceAt({1500, 200});
    EXPECT_EQ(view.Place(), (ScreenPoint{1500, 200}));
}

// Counts the panels of line edits it draws.
class PanelCountingStyle : public QProxyStyle {
public:
    PanelCountingStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        panels += element == PE_PanelLineEdit ? 1 : 0;
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }
    mutable int panels = 0;
};

// A read-only box draws its frame once per size and looks exactly as the base style draws it;
// a box that can be typed into is drawn by the base style every time.
TEST(FrameCacheStyleTest, AReadOnlyBoxDrawsItsFrameOnceAndLooksTheSame) {
    PanelCountingStyle plain;
    auto* counting = new PanelCountingStyle;
    FrameCacheStyle cached(counting);
    struct Case {
        bool readOnly;
        int width;
        int panelsDrawn;  // by the base style, for three pictures
    };
    for (const Case& c : {Case{true, 180, 1}, Case{true, 240, 1}, Case{false, 180, 3}}) {
        SCOPED_TRACE(c.width);
        QLineEdit direct, throughCache;
        for (QLineEdit* box : {&direct, &throughCache}) {
            box->setReadOnly(c.readOnly);
            box->resize(c.width, 24);
        }
        direct.setStyle(&plain);
        throughCache.setStyle(&cached);
        counting->panels = 0;
        for (const char* text : {"08.12.2026   10:20:07", "08.12.2026   10:20:08", ""}) {
            direct.setText(QString::fromLatin1(text));
            throughCache.setText(QString::fromLatin1(text));
            EXPECT_EQ(throughCache.grab().toImage(), direct.grab().toImage()) << text;
        }
        EXPECT_EQ(counting->panels, c.panelsDrawn);
    }
}

}  // namespace
}  // namespace corvantis
