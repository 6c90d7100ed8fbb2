// The window on screen: Qt widgets that mirror the window model and pass the operator's own
// actions back to it. The widgets stand where the window's layout description
// (form/window_layout.h) puts them, each group of rows in a grid of Qt layouts; fonts,
// spacing in pixels and the icon beside the title are the view's own.
//
// Every control of the model except the timers has one widget, whose objectName is the
// control's name; controls hidden in the design have hidden widgets, so that showing one from
// the model later shows it in its place. The view follows every change of the model (text,
// caption, value, selection, entries, visibility, enabled state) with the widgets' signals
// blocked, so a change the program makes never comes back as a second reaction. Only the
// operator's actions reach the model, through its Operator* calls:
//  - a click on a button, check box or option: OperatorClick;
//  - an entry picked in a list (mouse or keyboard): OperatorPick;
//  - a character typed into a list: OperatorType (8-bit; '?' beyond), which jumps to the
//    entry starting with the letters typed; control characters only reach OperatorKeyPress;
//  - the focus leaving a list for another control of the window: OperatorLeave.
// Lists only pick: their field is read-only and shows the model's text; a click into it opens
// the list.
// Text boxes are read-only: they show what the program writes and nothing reads them back.
// The wheel picks in a list only while the list has the focus, so turning it over the window
// changes no setting by accident.
// An exception (a Failure or any std::exception) escaping a reaction the operator set off is
// caught at this boundary and handed to onFailure; when that is unset, it is shown on the
// warning line ("description (number)" for a Failure). Qt's event loop never sees it.
//
// Texts cross between model and widgets as 8-bit text, one byte a character (Latin-1), so
// the fixed-width clock messages keep their width whatever bytes a clock sends back.
#pragma once

#include <QFont>
#include <QIcon>
#include <QMargins>
#include <QWidget>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "form/handler_guard.h"
#include "form/screen_fit.h"
#include "form/window.h"
#include "form/window_layout.h"
#include "ui/qt/qt_status_line.h"

class QBoxLayout;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLayout;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QSystemTrayIcon;

namespace corvantis {

class WindowView : public QWidget {
    Q_OBJECT

public:
    // `window` must outlive the view. The view adds its observers to the window's controls;
    // they do nothing once the view is gone.
    explicit WindowView(Window& window, QWidget* parent = nullptr);
    ~WindowView() override;

    // The widget of the control named `name`; nullptr for the timers and unknown names.
    QWidget* WidgetFor(const std::string& name) const;

    // The window's warning line: hidden while empty, it never takes the focus.
    StatusLine& Status() { return *m_status; }

    // The program's icon (a clock face), used for the window and the notification area.
    static QIcon AppIcon();

    // Whether a notification-area icon is shown (false where the desktop offers no area).
    bool HasTrayIcon() const;
    // Removes the notification-area icon; does nothing when there is none.
    void RemoveTrayIcon();
    // The icon's menu: "Show" runs onTrayActivated, "Close and Exit" runs closeAndExit's click.
    // It exists also where no icon can be shown.
    QMenu* TrayMenu() const { return m_trayMenu; }

    // The close box (or any close request from the desktop): the window's unload. Runs once
    // per close event; the event is then accepted and the window closes.
    std::function<void()> onCloseRequested;
    // Mouse movement over the window's own background (not over a control), with the X
    // position in pixels from the window's left edge, rounded to the nearest whole pixel
    // (halves to even). Mouse tracking is on, so no button needs to be down.
    std::function<void(int x)> onMouseMove;
    // A click or double-click on the notification-area icon, or its menu's "Show".
    std::function<void()> onTrayActivated;
    // A failure escaping a reaction the operator set off.
    std::function<void(const std::exception&)> onFailure;

    // The work areas of the screens, the primary one first, in Qt's device-independent
    // pixels: what the window fits and is kept inside. The desktop's screens unless replaced.
    std::function<std::vector<ScreenRect>()> workAreas;
    // Draws the window at its size hint, at the font step and place the one fitting rule
    // (FitWindow) decides: the largest step that fits the work area it is on, inside that
    // area; full size where no work area is known. The constructor does it once; call
    // again when the work areas change.
    void FitScreen();
    // The font step (kFontSteps) the window is drawn at.
    int FontStep() const { return m_fontStep; }
    // Moves the window to `wanted` (a remembered top-left corner), inside a work area.
    void PlaceAt(ScreenPoint wanted);
    // The window's top-left corner (its frame's).
    ScreenPoint Place() const { return {pos().x(), pos().y()}; }

protected:
    // Minimised, the window draws nothing and its text boxes wait: when it is restored they
    // take the model's texts and the whole window is drawn as it stands.
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Runs an operator action against the model, catching what escapes it.
    void Forward(const std::function<void()>& action) noexcept;

    // One widget for one control, mirroring it from now on.
    QLabel* Make(Label& label);
    QGroupBox* Make(Frame& frame);
    QPushButton* Make(Button& button);
    QCheckBox* Make(CheckBox& box);
    QRadioButton* Make(OptionButton& option);
    QLineEdit* Make(TextBox& box);
    // Shows the text box's text in `widget`.
    static void MirrorText(QLineEdit& widget, const TextBox& box);
    // A list wide enough for entries of `columns` characters before any entry arrives.
    QComboBox* Make(ComboBox& list, int columns);
    // A text box showing at least (MakeSized) or exactly (MakeFixed) `columns` characters.
    QLineEdit* MakeSized(TextBox& box, int columns);
    QLineEdit* MakeFixed(TextBox& box, int columns);
    // Names the widget after the control and mirrors its visibility and enabled state.
    void Register(Control& control, QWidget* widget);

    // The window's layout description drawn from top to bottom: each group of rows in a
    // grid (or stacked), the groups side by side where the description says so. Widgets are
    // made in the description's order, which is the order the keyboard visits them.
    void BuildLayout();
    void AddGroup(QBoxLayout* parent, const LayoutGroup& group, int stretch);
    QGridLayout* BuildGrid(const LayoutGroup& group);
    // The cells of one row into row `row` of `grid`.
    void AddCells(QGridLayout* grid, int row, const LayoutRow& cells);
    QBoxLayout* BuildStack(const LayoutGroup& group);
    // The widget of one cell, in the cell's look; a widget of a row that keeps its room
    // keeps it while hidden.
    QWidget* MakeCell(const LayoutCell& cell, bool keepRoom);
    QWidget* MakeControl(const LayoutCell& cell);
    // The warning line and the controls beside it.
    QLayout* BuildFooter(const LayoutGroup& group);
    void BuildTray();
    // Every widget's font, and the margins and gaps of every layout, at `step` percent of
    // what they were built with.
    void ApplyFontStep(int step);
    void RememberBuiltSizes();
    ScreenSize OuterSize() const;

    Window& m_window;
    WindowLayout m_layout;
    // The text boxes' style: their frames drawn from a cached picture (a child of the view).
    QStyle* m_boxStyle = nullptr;
    struct Entry {
        Control* control;
        QWidget* widget;
    };
    std::map<std::string, Entry> m_widgets;
    std::map<QObject*, ComboBox*> m_lists;  // each list's widget and its line edit
    QLabel* m_warning = nullptr;
    std::unique_ptr<QtStatusLine> m_status;
    QMenu* m_trayMenu = nullptr;
    QSystemTrayIcon* m_tray = nullptr;
    // Each widget's font and each layout's room at step 100.
    struct LayoutRoom {
        QMargins margins;
        int horizontal;
        int vertical;
    };
    struct BoxColumns {
        int count;
        bool fixed;
    };
    std::map<QLineEdit*, BoxColumns> m_boxColumns;  // text boxes sized in characters
    QLabel* m_icon = nullptr;
    std::map<QWidget*, QFont> m_builtFonts;
    std::map<QLayout*, LayoutRoom> m_builtRoom;
    int m_fontStep = kFontSteps.front();
    // While minimised: text boxes are brought up to date when the window is restored.
    bool m_textsDeferred = false;
};

}  // namespace corvantis
