#include "ui/qt/window_view.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSystemTrayIcon>
#include <QVBoxLayout>
#include <QValidator>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <initializer_list>

#include "platform/failure.h"
#include "ui/qt/qt_frame_cache.h"

// Resources of a static library register only when asked to; this must sit outside any
// namespace.
static void InitCorvantisResources() {
    Q_INIT_RESOURCE(corvantis);
}

namespace corvantis {
namespace {

constexpr const char* kIconPath = ":/corvantis/corvantis.png";

// Entries an open list shows at once: all sixteen ports.
constexpr int kListRows = 16;

// Spacing in pixels: between the window's bands; between its two columns (and between the
// PC's time and the message); inside a column; inside a grid of captions and lists.
constexpr int kBandSpacing = 12;
constexpr int kColumnGap = 18;
constexpr int kColumnSpacing = 8;
constexpr int kGridColumnGap = 8;
constexpr int kGridRowGap = 6;
constexpr int kTrafficRowGap = 4;
// Extra room between groups inside a column: the display rules, the lists and the buttons.
constexpr int kGroupGap = 4;
// The indent of the display rules beneath their titles.
constexpr int kRuleIndent = 12;
// The header: icon size, the title's size against the body text, the gap between its lines.
constexpr int kIconSize = 48;
constexpr double kTitleScale = 1.5;
constexpr int kTitleLineSpacing = 2;
// "Please Wait!" in dark red.
constexpr QRgb kWaitColour = 0xb01e1e;

QString ToQt(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string FromQt(const QString& text) {
    const QByteArray bytes = text.toLatin1();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// Buttons and check boxes read "&" as a mnemonic marker; a caption means it literally.
QString ButtonCaption(const std::string& caption) {
    return ToQt(caption).replace(QLatin1Char('&'), QLatin1String("&&"));
}

// A check box or option button whose state only the model changes: a click asks the model,
// and the mirror then shows what the model decided.
template <class Base>
class ModelDriven : public Base {
public:
    explicit ModelDriven(QWidget* parent) : Base(parent) {}

protected:
    void nextCheckState() override {}
};

Qt::CheckState CheckStateOf(int value) {
    switch (value) {
        case 1:
            return Qt::Checked;
        case 2:
            return Qt::PartiallyChecked;
        default:
            return Qt::Unchecked;
    }
}

// Width of a line edit that shows `columns` characters of its font without scrolling.
int LineEditWidthFor(QLineEdit* edit, int columns) {
    const QFontMetrics metrics(edit->font());
    // The size hint holds 17 "x" plus the frame and margins of the current style.
    const int chrome = edit->sizeHint().width() - 17 * metrics.horizontalAdvance(QLatin1Char('x'));
    const int cursor = 2;
    return chrome + cursor + metrics.horizontalAdvance(QString(columns, QLatin1Char('0')));
}

void MirrorList(const ComboBox& list, QComboBox* widget) {
    const QSignalBlocker blockList(widget);
    const QSignalBlocker blockEdit(widget->lineEdit());
    const auto& entries = list.Entries();
    int kept = widget->count();
    bool prefix = kept <= static_cast<int>(entries.size());
    for (int i = 0; prefix && i < kept; ++i) {
        prefix = widget->itemText(i) == ToQt(entries[static_cast<std::size_t>(i)]);
    }
    if (!prefix) {
        widget->clear();
        kept = 0;
    }
    for (std::size_t i = static_cast<std::size_t>(kept); i < entries.size(); ++i) {
        widget->addItem(ToQt(entries[i]));
    }
    // Adding to an empty list makes Qt select the first entry; the model selected nothing.
    if (widget->currentIndex() != list.ListIndex()) {
        widget->setCurrentIndex(list.ListIndex());
    }
    const QString text = ToQt(list.Text());
    if (widget->currentText() != text) {
        widget->setEditText(text);
    }
}

// Typed text is never final input to the line edit, so it never signals editingFinished
// (neither on Return nor when the focus leaves) and the list never selects the entry whose
// text was typed: typed text is text only, and only a pick selects. Every keystroke is still
// taken as typed.
class TextOnly : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& /*input*/, int& /*position*/) const override { return Intermediate; }
};

void SetBold(QWidget* widget) {
    QFont font = widget->font();
    font.setBold(true);
    widget->setFont(font);
}

// Room between the rows of one group and between its columns, in pixels; -1: the style's.
struct GroupRoom {
    int horizontal;
    int vertical;
};

GroupRoom RoomOf(GroupId group) {
    switch (group) {
        case GroupId::Header:
            return {-1, kTitleLineSpacing};
        case GroupId::Rules:
        case GroupId::Link:
            return {kGridColumnGap, kGridRowGap};
        case GroupId::Traffic:
            return {kColumnGap, kTrafficRowGap};
        case GroupId::Footer:
            break;
    }
    return {-1, -1};
}

QGridLayout* GridFor(const LayoutGroup& group) {
    auto* grid = new QGridLayout;
    const GroupRoom room = RoomOf(group.id);
    if (room.horizontal >= 0) {
        grid->setHorizontalSpacing(room.horizontal);
    }
    if (room.vertical >= 0) {
        grid->setVerticalSpacing(room.vertical);
    }
    for (int column : group.stretchColumns) {
        grid->setColumnStretch(column, 1);
    }
    return grid;
}

// Whether the cells of `row` leave room at the right end of a group `width` wide.
bool LeavesRoom(const LayoutRow& row, int width) {
    const LayoutCell& last = row.cells.back();
    return last.x + last.width < width;
}

Qt::Alignment HorizontalOf(CellAlign align) {
    switch (align) {
        case CellAlign::Center:
            return Qt::AlignCenter;
        case CellAlign::Right:
            // A caption at the right edge stands at the top of its row.
            return Qt::AlignRight | Qt::AlignTop;
        case CellAlign::Left:
            break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

}  // namespace

WindowView::WindowView(Window& window, QWidget* parent)
    : QWidget(parent), m_window(window), m_layout(DescribeWindowLayout(window)) {
    m_boxStyle = new FrameCacheStyle;
    m_boxStyle->setParent(this);
    setWindowTitle(QString::fromLatin1(kWindowCaption));
    setWindowIcon(AppIcon());
    setMouseTracking(true);
    BuildLayout();
    BuildTray();
    // Widgets take the model's visibility and enabled state once they sit in their final
    // parents (reparenting would undo it).
    for (const auto& [name, entry] : m_widgets) {
        entry.widget->setVisible(entry.control->Visible());
        entry.widget->setEnabled(entry.control->Enabled());
    }
    resize(sizeHint());
    workAreas = [] {
        std::vector<ScreenRect> areas;
        const QScreen* primary = QGuiApplication::primaryScreen();
        for (const QScreen* screen : QGuiApplication::screens()) {
            const QRect work = screen->availableGeometry();
            const ScreenRect area{work.left(), work.top(), work.left() + work.width(),
                                  work.top() + work.height()};
            areas.insert(screen == primary ? areas.begin() : areas.end(), area);
        }
        return areas;
    };
    FitScreen();
}

WindowView::~WindowView() = default;

void WindowView::FitScreen() {
    const std::vector<ScreenRect> areas = workAreas ? workAreas() : std::vector<ScreenRect>{};
    RememberBuiltSizes();
    // The window is drawn at the step chosen already.
    const WindowFit fit = FitWindow(
        Place(), OuterSize(),
        [this](int step) {
            ApplyFontStep(step);
            return OuterSize();
        },
        areas);
    m_fontStep = fit.fontStep;
    PlaceAt(fit.place);
}

void WindowView::RememberBuiltSizes() {
    if (!m_builtFonts.empty()) {
        return;
    }
    m_builtFonts[this] = font();
    for (QWidget* widget : findChildren<QWidget*>()) {
        m_builtFonts[widget] = widget->font();
    }
    for (QLayout* each : findChildren<QLayout*>()) {
        LayoutRoom room{each->contentsMargins(), each->spacing(), each->spacing()};
        if (auto* grid = qobject_cast<QGridLayout*>(each)) {
            room.horizontal = grid->horizontalSpacing();
            room.vertical = grid->verticalSpacing();
        }
        m_builtRoom[each] = room;
    }
}

void WindowView::ApplyFontStep(int step) {
    const auto scaled = [step](int pixels) { return pixels * step / 100; };
    for (const auto& [each, room] : m_builtRoom) {
        const QMargins& m = room.margins;
        each->setContentsMargins(scaled(m.left()), scaled(m.top()), scaled(m.right()),
                                 scaled(m.bottom()));
        if (auto* grid = qobject_cast<QGridLayout*>(each)) {
            grid->setHorizontalSpacing(scaled(room.horizontal));
            grid->setVerticalSpacing(scaled(room.vertical));
        } else if (room.horizontal >= 0) {
            each->setSpacing(scaled(room.horizontal));
        }
    }
    for (const auto& [widget, built] : m_builtFonts) {
        QFont scaled = built;
        if (built.pointSizeF() > 0) {
            scaled.setPointSizeF(built.pointSizeF() * step / 100.0);
        } else {
            scaled.setPixelSize(std::max(1, built.pixelSize() * step / 100));
        }
        widget->setFont(scaled);
    }
    // Boxes keep room for their characters in the new font; the icon shrinks with the text.
    for (const auto& [box, columns] : m_boxColumns) {
        const int width = LineEditWidthFor(box, columns.count);
        columns.fixed ? box->setFixedWidth(width) : box->setMinimumWidth(width);
    }
    if (m_icon != nullptr) {
        const int side = kIconSize * step / 100;
        m_icon->setPixmap(AppIcon().pixmap(side, side));
    }
    if (layout() != nullptr) {
        layout()->invalidate();
        layout()->activate();
    }
    resize(sizeHint());
}

ScreenSize WindowView::OuterSize() const {
    // The frame the desktop draws around the window, known once it has been shown.
    const QSize frame = frameGeometry().size() - geometry().size();
    const QSize hint = sizeHint();
    return {hint.width() + frame.width(), hint.height() + frame.height()};
}

void WindowView::PlaceAt(ScreenPoint wanted) {
    const std::vector<ScreenRect> areas = workAreas ? workAreas() : std::vector<ScreenRect>{};
    const ScreenPoint at = PlaceWindow(wanted, OuterSize(), areas);
    move(at.x, at.y);
}

QWidget* WindowView::WidgetFor(const std::string& name) const {
    const auto found = m_widgets.find(name);
    return found == m_widgets.end() ? nullptr : found->second.widget;
}

QIcon WindowView::AppIcon() {
    InitCorvantisResources();
    return QIcon(QString::fromLatin1(kIconPath));
}

bool WindowView::HasTrayIcon() const {
    return m_tray != nullptr && m_tray->isVisible();
}

void WindowView::RemoveTrayIcon() {
    if (m_tray != nullptr) {
        m_tray->hide();
    }
}

void WindowView::Forward(const std::function<void()>& action) noexcept {
    CatchEverything(action, [this](const std::exception& failure) {
        ReportToView(failure, onFailure, m_status.get());
    });
}

void WindowView::Register(Control& control, QWidget* widget) {
    widget->setObjectName(QString::fromStdString(control.Name()));
    if (!control.ToolTip().empty()) {
        widget->setToolTip(ToQt(control.ToolTip()));
    }
    m_widgets[control.Name()] = Entry{&control, widget};
    control.AddObserver([guard = QPointer<QWidget>(widget), &control](ControlProperty property) {
        if (guard.isNull()) {
            return;
        }
        if (property == ControlProperty::Visible) {
            guard->setVisible(control.Visible());
        } else if (property == ControlProperty::Enabled) {
            guard->setEnabled(control.Enabled());
        }
    });
}

QLabel* WindowView::Make(Label& label) {
    auto* widget = new QLabel(this);
    widget->setTextFormat(Qt::PlainText);
    auto mirror = [guard = QPointer<QLabel>(widget), &label] {
        if (!guard.isNull()) {
            guard->setText(ToQt(label.Caption()));
        }
    };
    mirror();
    label.AddObserver([mirror](ControlProperty property) {
        if (property == ControlProperty::Text) {
            mirror();
        }
    });
    Register(label, widget);
    return widget;
}

QGroupBox* WindowView::Make(Frame& frame) {
    auto* widget = new QGroupBox(this);
    auto mirror = [guard = QPointer<QGroupBox>(widget), &frame] {
        if (!guard.isNull()) {
            guard->setTitle(ButtonCaption(frame.Caption()));
        }
    };
    mirror();
    frame.AddObserver([mirror](ControlProperty property) {
        if (property == ControlProperty::Text) {
            mirror();
        }
    });
    Register(frame, widget);
    return widget;
}

QPushButton* WindowView::Make(Button& button) {
    auto* widget = new QPushButton(this);
    auto mirror = [guard = QPointer<QPushButton>(widget), &button] {
        if (!guard.isNull()) {
            guard->setText(ButtonCaption(button.Caption()));
        }
    };
    mirror();
    button.AddObserver([mirror](ControlProperty property) {
        if (property == ControlProperty::Text) {
            mirror();
        }
    });
    connect(widget, &QPushButton::clicked, this,
            [this, &button] { Forward([&button] { button.OperatorClick(); }); });
    Register(button, widget);
    return widget;
}

QCheckBox* WindowView::Make(CheckBox& box) {
    auto* widget = new ModelDriven<QCheckBox>(this);
    auto mirror = [guard = QPointer<QCheckBox>(widget), &box] {
        if (guard.isNull()) {
            return;
        }
        const QSignalBlocker block(guard.data());
        guard->setText(ButtonCaption(box.Caption()));
        guard->setCheckState(CheckStateOf(box.Value()));
    };
    mirror();
    box.AddObserver([mirror](ControlProperty property) {
        if (property == ControlProperty::Text || property == ControlProperty::Value) {
            mirror();
        }
    });
    connect(widget, &QCheckBox::clicked, this, [this, &box, mirror] {
        Forward([&box] { box.OperatorClick(); });
        mirror();
    });
    Register(box, widget);
    return widget;
}

QRadioButton* WindowView::Make(OptionButton& option) {
    auto* widget = new ModelDriven<QRadioButton>(this);
    // The model clears the other options of the array; Qt must not do it on its own.
    widget->setAutoExclusive(false);
    auto mirror = [guard = QPointer<QRadioButton>(widget), &option] {
        if (guard.isNull()) {
            return;
        }
        const QSignalBlocker block(guard.data());
        guard->setText(ButtonCaption(option.Caption()));
        guard->setChecked(option.Value());
    };
    mirror();
    option.AddObserver([mirror](ControlProperty property) {
        if (property == ControlProperty::Text || property == ControlProperty::Value) {
            mirror();
        }
    });
    connect(widget, &QRadioButton::clicked, this, [this, &option, mirror] {
        Forward([&option] { option.OperatorClick(); });
        mirror();
    });
    Register(option, widget);
    return widget;
}

void WindowView::MirrorText(QLineEdit& widget, const TextBox& box) {
    const QString text = ToQt(box.Text());
    // Unchanged text is left alone so a running clock does not undo a selection.
    if (widget.text() != text) {
        const QSignalBlocker block(&widget);
        widget.setText(text);
        widget.setCursorPosition(0);
    }
}

QLineEdit* WindowView::Make(TextBox& box) {
    auto* widget = new QLineEdit(this);
    // Text boxes show what the program writes; nothing reads back what would be typed.
    widget->setReadOnly(true);
    widget->setStyle(m_boxStyle);
    if (box.FixedPitch()) {
        widget->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    }
    auto mirror = [this, guard = QPointer<QLineEdit>(widget), &box] {
        if (!guard.isNull() && !m_textsDeferred) {
            MirrorText(*guard, box);
        }
    };
    mirror();
    box.AddObserver([mirror](ControlProperty property) {
        if (property == ControlProperty::Text) {
            mirror();
        }
    });
    Register(box, widget);
    return widget;
}

QComboBox* WindowView::Make(ComboBox& list, int columns) {
    auto* widget = new QComboBox(this);
    widget->setEditable(true);
    widget->setInsertPolicy(QComboBox::NoInsert);
    widget->setCompleter(nullptr);
    widget->setValidator(new TextOnly(widget));
    widget->setMaxVisibleItems(kListRows);
    // Sized for the expected entries rather than adjusted to them: adjusting resizes the
    // list behind its layout's back whenever entries arrive.
    widget->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    widget->setMinimumContentsLength(columns);
    auto mirror = [guard = QPointer<QComboBox>(widget), &list] {
        if (!guard.isNull()) {
            MirrorList(list, guard.data());
        }
    };
    mirror();
    list.AddObserver([mirror](ControlProperty property) {
        if (property == ControlProperty::Text || property == ControlProperty::Selection ||
            property == ControlProperty::Entries) {
            mirror();
        }
    });
    connect(widget, &QComboBox::activated, this, [this, &list, mirror](int index) {
        Forward([&list, index] { list.OperatorPick(index); });
        mirror();
    });
    if (list.TakesTyping()) {
        connect(widget->lineEdit(), &QLineEdit::textEdited, this,
                [this, &list](const QString& text) {
                    Forward([&list, &text] { list.OperatorEdit(FromQt(text)); });
                });
    } else {
        // The field shows the model's text and takes no typing: only a pick changes a list.
        widget->lineEdit()->setReadOnly(true);
    }
    widget->installEventFilter(this);
    widget->lineEdit()->installEventFilter(this);
    m_lists[widget] = &list;
    m_lists[widget->lineEdit()] = &list;
    Register(list, widget);
    return widget;
}

bool WindowView::eventFilter(QObject* watched, QEvent* event) {
    const auto found = m_lists.find(watched);
    if (found == m_lists.end()) {
        return QWidget::eventFilter(watched, event);
    }
    ComboBox& list = *found->second;
    if (event->type() == QEvent::Wheel && !static_cast<QWidget*>(watched)->hasFocus()) {
        // The wheel turning over a list on its way elsewhere picks nothing; a list the
        // operator is working in still follows the wheel.
        event->ignore();
        return true;
    }
    if (event->type() == QEvent::FocusOut) {
        // Opening the list's own drop-down or switching to another application does not
        // leave the list.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) {
            Forward([&list] { list.OperatorLeave(); });
        }
    } else if (event->type() == QEvent::MouseButtonPress && qobject_cast<QLineEdit*>(watched) &&
               !list.TakesTyping()) {
        // A click into the field opens the list, as in a list that only picks.
        if (auto* combo =
                qobject_cast<QComboBox*>(static_cast<QWidget*>(watched)->parentWidget())) {
            combo->setFocus(Qt::MouseFocusReason);
            combo->showPopup();
        }
        return true;
    } else if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        if (!text.isEmpty()) {
            const char16_t code = text.front().unicode();
            const char typed = code < 256 ? static_cast<char>(code) : '?';
            if (!list.TakesTyping() && code >= u' ' && code != 0x7f) {
                const std::chrono::milliseconds at(key->timestamp());
                Forward([&list, typed, at] { list.OperatorType(typed, at); });
                return true;
            }
            Forward([&list, typed] { list.OperatorKeyPress(static_cast<unsigned char>(typed)); });
        }
    }
    return QWidget::eventFilter(watched, event);
}

void WindowView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange && isMinimized() != m_textsDeferred) {
        // Nobody sees a minimised window; a desktop that keeps it mapped would otherwise have
        // it redrawn at each message shown. Updates enabled again repaint it all.
        m_textsDeferred = isMinimized();
        if (!m_textsDeferred) {
            for (const auto& [name, entry] : m_widgets) {
                auto* box = dynamic_cast<TextBox*>(entry.control);
                auto* widget = qobject_cast<QLineEdit*>(entry.widget);
                if (box != nullptr && widget != nullptr) {
                    MirrorText(*widget, *box);
                }
            }
        }
        setUpdatesEnabled(!m_textsDeferred);
    }
    QWidget::changeEvent(event);
}

void WindowView::closeEvent(QCloseEvent* event) {
    if (onCloseRequested) {
        Forward(onCloseRequested);
    }
    event->accept();
}

void WindowView::mouseMoveEvent(QMouseEvent* event) {
    if (onMouseMove) {
        // The default rounding mode takes halves to the even neighbour.
        const int x = static_cast<int>(std::nearbyint(event->position().x()));
        Forward([this, x] { onMouseMove(x); });
    }
    QWidget::mouseMoveEvent(event);
}

void WindowView::BuildTray() {
    m_trayMenu = new QMenu(this);
    QAction* show = m_trayMenu->addAction(QStringLiteral("Show"));
    connect(show, &QAction::triggered, this, [this] {
        if (onTrayActivated) {
            Forward(onTrayActivated);
        }
    });
    QAction* exit = m_trayMenu->addAction(ButtonCaption(m_window.closeAndExit.Caption()));
    connect(exit, &QAction::triggered, this,
            [this] { Forward([this] { m_window.closeAndExit.OperatorClick(); }); });
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        return;
    }
    m_tray = new QSystemTrayIcon(AppIcon(), this);
    m_tray->setToolTip(QString::fromLatin1(kWindowCaption));
    m_tray->setContextMenu(m_trayMenu);
    connect(
        m_tray, &QSystemTrayIcon::activated, this,
        [this](QSystemTrayIcon::ActivationReason reason) {
            if ((reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) &&
                onTrayActivated) {
                Forward(onTrayActivated);
            }
        });
    m_tray->show();
}

void WindowView::BuildLayout() {
    auto* root = new QVBoxLayout(this);
    root->setSpacing(kBandSpacing);
    const auto& groups = m_layout.groups;
    for (std::size_t i = 0; i < groups.size(); ++i) {
        const LayoutGroup& group = groups[i];
        if (group.id == GroupId::Footer) {
            root->addStretch(1);
            root->addLayout(BuildFooter(group));
        } else if (i + 1 < groups.size() && groups[i + 1].besidePrevious) {
            // Two groups side by side: the second takes the width to spare.
            auto* body = new QHBoxLayout;
            body->setSpacing(kColumnGap);
            AddGroup(body, group, 0);
            AddGroup(body, groups[++i], 1);
            root->addLayout(body);
        } else {
            AddGroup(root, group, 0);
        }
    }
}

void WindowView::AddGroup(QBoxLayout* parent, const LayoutGroup& group, int stretch) {
    // The frame first, so that it stands before its controls in the focus chain.
    QGroupBox* frame = group.frame != nullptr ? Make(*group.frame) : nullptr;
    QLayout* rows = group.stacked ? static_cast<QLayout*>(BuildStack(group)) : BuildGrid(group);
    if (frame != nullptr) {
        frame->setLayout(rows);
        parent->addWidget(frame, stretch);
    } else if (group.id == GroupId::Header) {
        // The program's icon beside the title lines.
        auto* header = new QHBoxLayout;
        m_icon = new QLabel(this);
        m_icon->setPixmap(AppIcon().pixmap(kIconSize, kIconSize));
        header->addWidget(m_icon, 0, Qt::AlignTop);
        header->addLayout(rows, 1);
        parent->addLayout(header, stretch);
    } else {
        parent->addLayout(rows, stretch);
    }
}

QGridLayout* WindowView::BuildGrid(const LayoutGroup& group) {
    QGridLayout* grid = GridFor(group);
    int row = 0;
    for (const LayoutRow& each : group.rows) {
        if (each.kind == RowKind::Gap || each.kind == RowKind::Section) {
            grid->setRowMinimumHeight(row++, kGroupGap);
        }
        if (each.kind != RowKind::Gap) {
            AddCells(grid, row++, each);
        }
    }
    if (group.frame != nullptr) {
        // The rules are indented beneath their titles; spare height goes beneath them.
        grid->setColumnMinimumWidth(0, kRuleIndent);
        grid->setRowStretch(row, 1);
    }
    return grid;
}

void WindowView::AddCells(QGridLayout* grid, int row, const LayoutRow& cells) {
    // The rows of a grid (the clock's reply beneath the PC time) take room only once shown:
    // this window grows to hold them, where the Win32 window, sized once, keeps their room.
    const bool keepRoom = false;
    for (std::size_t i = 0; i < cells.cells.size();) {
        const LayoutCell& cell = cells.cells[i];
        std::size_t end = i + 1;
        while (end < cells.cells.size() && cells.cells[end].column == cell.column) {
            ++end;
        }
        if (end - i == 1) {
            grid->addWidget(MakeCell(cell, keepRoom), row, cell.column, 1, cell.span);
        } else {
            // Cells that share a column stand side by side in it.
            auto* side = new QHBoxLayout;
            for (; i < end; ++i) {
                side->addWidget(MakeCell(cells.cells[i], keepRoom), 1);
            }
            grid->addLayout(side, row, cell.column, 1, cell.span);
        }
        i = end;
    }
}

QBoxLayout* WindowView::BuildStack(const LayoutGroup& group) {
    auto* stack = new QVBoxLayout;
    stack->setSpacing(kColumnSpacing);
    QGridLayout* pairs = nullptr;  // the run of caption and list pairs being built
    int pairRow = 0;
    for (const LayoutRow& row : group.rows) {
        if (row.kind != RowKind::Pair) {
            pairs = nullptr;
            pairRow = 0;
        }
        if (row.kind == RowKind::Gap) {
            stack->addSpacing(kGroupGap);
        } else if (row.kind == RowKind::Pair) {
            if (pairs == nullptr) {
                pairs = GridFor(group);
                stack->addLayout(pairs);
            }
            AddCells(pairs, pairRow++, row);
        } else if (row.cells.size() == 1) {
            stack->addWidget(MakeCell(row.cells.front(), row.keepRoom));
        } else {
            auto* side = new QHBoxLayout;
            for (const LayoutCell& cell : row.cells) {
                side->addWidget(MakeCell(cell, row.keepRoom));
            }
            if (LeavesRoom(row, group.width)) {
                side->addStretch(1);
            }
            stack->addLayout(side);
        }
    }
    stack->addStretch(1);
    return stack;
}

QWidget* WindowView::MakeCell(const LayoutCell& cell, bool keepRoom) {
    QWidget* widget = MakeControl(cell);
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setAlignment(HorizontalOf(cell.align));
    }
    if (cell.look == CaptionLook::Bold || cell.look == CaptionLook::Wait) {
        SetBold(widget);
    }
    if (cell.look == CaptionLook::Title) {
        QFont titleFont = widget->font();
        titleFont.setBold(true);
        titleFont.setPointSizeF(titleFont.pointSizeF() * kTitleScale);
        widget->setFont(titleFont);
    }
    if (cell.look == CaptionLook::Wait) {
        QPalette waitPalette = widget->palette();
        waitPalette.setColor(QPalette::WindowText, QColor(kWaitColour));
        widget->setPalette(waitPalette);
    }
    if (keepRoom) {
        // The control comes and goes while the program runs; keep its room so nothing jumps.
        QSizePolicy policy = widget->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        widget->setSizePolicy(policy);
    }
    return widget;
}

QWidget* WindowView::MakeControl(const LayoutCell& cell) {
    Control& control = *cell.control;
    if (auto* label = dynamic_cast<Label*>(&control)) {
        return Make(*label);
    }
    if (auto* button = dynamic_cast<Button*>(&control)) {
        return Make(*button);
    }
    if (auto* box = dynamic_cast<CheckBox*>(&control)) {
        return Make(*box);
    }
    if (auto* option = dynamic_cast<OptionButton*>(&control)) {
        return Make(*option);
    }
    if (auto* list = dynamic_cast<ComboBox*>(&control)) {
        return Make(*list, cell.columns);
    }
    auto& box = dynamic_cast<TextBox&>(control);
    if (cell.columns == 0) {
        return Make(box);
    }
    return cell.exactColumns ? MakeFixed(box, cell.columns) : MakeSized(box, cell.columns);
}

QLineEdit* WindowView::MakeSized(TextBox& box, int columns) {
    QLineEdit* widget = Make(box);
    widget->setMinimumWidth(LineEditWidthFor(widget, columns));
    m_boxColumns[widget] = {columns, false};
    return widget;
}

QLineEdit* WindowView::MakeFixed(TextBox& box, int columns) {
    QLineEdit* widget = Make(box);
    widget->setFixedWidth(LineEditWidthFor(widget, columns));
    m_boxColumns[widget] = {columns, true};
    return widget;
}

QLayout* WindowView::BuildFooter(const LayoutGroup& group) {
    auto* footer = new QHBoxLayout;
    m_warning = new QLabel(this);
    m_warning->setObjectName(QStringLiteral("warningLine"));
    m_warning->setTextFormat(Qt::PlainText);
    m_warning->setWordWrap(true);
    m_warning->setStyleSheet(
        QStringLiteral("QLabel { background: #fff4ce; color: #4a3500; border: 1px solid #e6c35c;"
                       " border-radius: 3px; padding: 4px 8px; }"));
    m_warning->hide();
    m_status = std::make_unique<QtStatusLine>(m_warning);
    footer->addWidget(m_warning, 1);
    // The controls beside it: "Close and Exit".
    for (const LayoutCell& cell : group.rows.front().cells) {
        if (cell.control != nullptr) {
            footer->addWidget(MakeCell(cell, false), 0, Qt::AlignRight | Qt::AlignBottom);
        }
    }
    return footer;
}

}  // namespace corvantis
