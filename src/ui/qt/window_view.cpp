#include "ui/qt/window_view.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSystemTrayIcon>
#include <QVBoxLayout>
#include <QValidator>
#include <cmath>

#include "platform/failure.h"

// Resources of a static library register only when asked to; this must sit outside any
// namespace.
static void InitCorvantisResources() {
    Q_INIT_RESOURCE(corvantis);
}

namespace corvantis {
namespace {

constexpr const char* kIconPath = ":/corvantis/corvantis.png";
// Clock replies are shown up to 36 characters at a time; one more keeps the caret clear.
constexpr int kMessageColumns = 37;

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

// Widest entry (in characters) each list is expected to hold, so that a list is wide
// enough before it is filled and lists of one kind line up.
int ListColumns(const std::string& name) {
    struct Width {
        const char* name;
        int columns;
    };
    static const Width widths[] = {
        {"HourOffset", 5}, {"Combo12", 6},     {"Combo9", 6},     {"Combo11", 4},
        {"Combo5", 4},     {"Combo10", 4},     {"Combo6", 4},     {"Combo7", 3},
        {"Combo8", 3},     {"Combo13", 3},     {"Combo14", 3},    {"Combo2", 7},
        {"Combo1", 7},     {"CurrAddress", 4}, {"NewAddress", 4}, {"SerialRate", 15},
        {"UDPrate", 15},   {"UDPaddress", 15}, {"Combo3", 3},     {"Combo4", 3},
    };
    for (const Width& width : widths) {
        if (name == width.name) {
            return width.columns;
        }
    }
    return 6;
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

}  // namespace

WindowView::WindowView(Window& window, QWidget* parent) : QWidget(parent), m_window(window) {
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
}

WindowView::~WindowView() = default;

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

void WindowView::Forward(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& failure) {
        if (onFailure) {
            onFailure(failure);
        } else if (const auto* numbered = dynamic_cast<const Failure*>(&failure)) {
            m_status->ShowWarning(numbered->description() + " (" +
                                  std::to_string(numbered->number()) + ")");
        } else {
            m_status->ShowWarning(failure.what());
        }
    }
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

QLineEdit* WindowView::Make(TextBox& box) {
    auto* widget = new QLineEdit(this);
    // Text boxes show what the program writes; nothing reads back what would be typed.
    widget->setReadOnly(true);
    if (box.FixedPitch()) {
        widget->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    }
    auto mirror = [guard = QPointer<QLineEdit>(widget), &box] {
        if (guard.isNull()) {
            return;
        }
        const QString text = ToQt(box.Text());
        // Unchanged text is left alone so a running clock does not undo a selection.
        if (guard->text() != text) {
            const QSignalBlocker block(guard.data());
            guard->setText(text);
            guard->setCursorPosition(0);
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

QComboBox* WindowView::Make(ComboBox& list) {
    auto* widget = new QComboBox(this);
    widget->setEditable(true);
    widget->setInsertPolicy(QComboBox::NoInsert);
    widget->setCompleter(nullptr);
    widget->setValidator(new TextOnly(widget));
    widget->setMaxVisibleItems(16);
    // Sized for the expected entries rather than adjusted to them: adjusting resizes the
    // list behind its layout's back whenever entries arrive.
    widget->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    widget->setMinimumContentsLength(ListColumns(list.Name()));
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
    connect(widget->lineEdit(), &QLineEdit::textEdited, this, [this, &list](const QString& text) {
        Forward([&list, &text] { list.OperatorEdit(FromQt(text)); });
    });
    widget->installEventFilter(this);
    m_lists[widget] = &list;
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
    } else if (event->type() == QEvent::KeyPress) {
        const QString text = static_cast<QKeyEvent*>(event)->text();
        if (!text.isEmpty()) {
            const char16_t code = text.front().unicode();
            const int key = code < 256 ? static_cast<int>(code) : '?';
            Forward([&list, key] { list.OperatorKeyPress(key); });
        }
    }
    return QWidget::eventFilter(watched, event);
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
    QAction* exit = m_trayMenu->addAction(ButtonCaption(m_window.Command1.Caption()));
    connect(exit, &QAction::triggered, this,
            [this] { Forward([this] { m_window.Command1.OperatorClick(); }); });
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
    Window& w = m_window;
    auto* root = new QVBoxLayout(this);
    root->setSpacing(12);

    // Title, maker's line and version.
    auto* header = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setPixmap(AppIcon().pixmap(48, 48));
    header->addWidget(icon, 0, Qt::AlignTop);
    auto* titles = new QVBoxLayout;
    titles->setSpacing(2);
    QLabel* title = Make(w.Label6);
    QFont titleFont = title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
    title->setFont(titleFont);
    titles->addWidget(title);
    titles->addWidget(Make(w.Label5));
    header->addLayout(titles, 1);
    QLabel* version = Make(w.Label2);
    version->setAlignment(Qt::AlignRight | Qt::AlignTop);
    header->addWidget(version, 0, Qt::AlignTop);
    root->addLayout(header);

    auto* body = new QHBoxLayout;
    body->setSpacing(18);

    // The display rules: time zone, the two daylight-saving rules, the hour of the change.
    QGroupBox* frame = Make(w.Frame1);
    auto* rules = new QGridLayout(frame);
    rules->setHorizontalSpacing(8);
    rules->setVerticalSpacing(6);
    int row = 0;
    rules->addWidget(Make(w.Check7), row++, 0, 1, 7);
    // Label and list rows share the first columns; the rule rows are indented beneath them.
    auto addPair = [&](Label& label, ComboBox& list) {
        rules->addWidget(Make(label), row, 0, 1, 4);
        rules->addWidget(Make(list), row, 4, 1, 2);
        ++row;
    };
    addPair(w.Label15, w.HourOffset);
    rules->setRowMinimumHeight(row++, 4);
    struct Rule {
        Label& title;
        Label& occurrenceCaption;
        Label& weekdayCaption;
        Label& of;
        Label& orCaption;
        Label& dayCaption;
        ComboBox& occurrence;
        ComboBox& weekday;
        ComboBox& month;
        ComboBox& day;
    };
    const Rule ruleRows[] = {
        {w.Label29, w.Label18, w.Label19, w.Label26, w.Label27, w.Label31, w.Combo12, w.Combo11,
         w.Combo10, w.Combo7},
        {w.Label30, w.Label21, w.Label22, w.Label20, w.Label28, w.Label23, w.Combo9, w.Combo5,
         w.Combo6, w.Combo8},
    };
    for (const Rule& rule : ruleRows) {
        QLabel* ruleTitle = Make(rule.title);
        QFont bold = ruleTitle->font();
        bold.setBold(true);
        ruleTitle->setFont(bold);
        rules->addWidget(ruleTitle, row++, 0, 1, 7);
        // Captions above their lists; the sentence reads across: occurrence, weekday, "of",
        // month, "or", day of the month.
        rules->addWidget(Make(rule.occurrenceCaption), row, 1);
        rules->addWidget(Make(rule.weekdayCaption), row, 2);
        rules->addWidget(Make(rule.dayCaption), row, 6);
        ++row;
        rules->addWidget(Make(rule.occurrence), row, 1);
        rules->addWidget(Make(rule.weekday), row, 2);
        QLabel* of = Make(rule.of);
        of->setAlignment(Qt::AlignCenter);
        rules->addWidget(of, row, 3);
        rules->addWidget(Make(rule.month), row, 4);
        QLabel* orLabel = Make(rule.orCaption);
        orLabel->setAlignment(Qt::AlignCenter);
        rules->addWidget(orLabel, row, 5);
        rules->addWidget(Make(rule.day), row, 6);
        ++row;
        rules->setRowMinimumHeight(row++, 4);
    }
    addPair(w.Label16, w.Combo13);
    addPair(w.Label17, w.Combo14);
    rules->addWidget(Make(w.Label12), row++, 0, 1, 7);
    rules->addWidget(Make(w.Label32), row++, 0, 1, 7);
    rules->addWidget(Make(w.UseZone), row++, 0, 1, 7);
    rules->setRowStretch(row, 1);
    rules->setColumnMinimumWidth(0, 12);
    rules->setColumnStretch(7, 1);
    body->addWidget(frame, 0);

    // The serial line: broadcast switch, port, clock addresses and the commands.
    auto* link = new QVBoxLayout;
    link->setSpacing(8);
    link->addWidget(Make(w.Check8));
    link->addWidget(Make(w.Check2));
    auto* ports = new QGridLayout;
    ports->setHorizontalSpacing(8);
    ports->setVerticalSpacing(6);
    int portRow = 0;
    auto addPort = [&](Label& label, ComboBox& list) {
        ports->addWidget(Make(label), portRow, 0);
        ports->addWidget(Make(list), portRow, 1);
        ++portRow;
    };
    addPort(w.Label10, w.Combo2);
    addPort(w.Label11, w.SerialRate);
    addPort(w.Label1, w.Combo1);
    addPort(w.Label34, w.CurrAddress);
    addPort(w.Label35, w.NewAddress);
    ports->setColumnStretch(0, 1);
    link->addLayout(ports);
    link->addSpacing(4);
    link->addWidget(Make(w.SendAddr));
    link->addWidget(Make(w.Command2));
    auto* timeButtons = new QHBoxLayout;
    timeButtons->addWidget(Make(w.Command3));
    timeButtons->addWidget(Make(w.Command5));
    timeButtons->addWidget(Make(w.Command6));
    link->addLayout(timeButtons);
    QLabel* wait = Make(w.Label33);
    QFont waitFont = wait->font();
    waitFont.setBold(true);
    wait->setFont(waitFont);
    QPalette waitPalette = wait->palette();
    waitPalette.setColor(QPalette::WindowText, QColor(0xb0, 0x1e, 0x1e));
    wait->setPalette(waitPalette);
    wait->setAlignment(Qt::AlignCenter);
    // The label comes and goes with each command; keep its room so nothing jumps.
    QSizePolicy waitPolicy = wait->sizePolicy();
    waitPolicy.setRetainSizeWhenHidden(true);
    wait->setSizePolicy(waitPolicy);
    link->addWidget(wait);

    // Settings the design keeps out of sight; they take no room while hidden.
    auto* options = new QHBoxLayout;
    options->addWidget(Make(w.Option1[0]));
    options->addWidget(Make(w.Option1[1]));
    options->addStretch(1);
    link->addLayout(options);
    link->addWidget(Make(w.Check1));
    auto* extra = new QGridLayout;
    extra->setHorizontalSpacing(8);
    extra->setVerticalSpacing(6);
    int extraRow = 0;
    auto addExtra = [&](Label& label, ComboBox& list) {
        extra->addWidget(Make(label), extraRow, 0);
        extra->addWidget(Make(list), extraRow, 1);
        ++extraRow;
    };
    addExtra(w.Label4, w.UDPaddress);
    addExtra(w.Label9, w.UDPrate);
    addExtra(w.Label13, w.Combo3);
    addExtra(w.Label14, w.Combo4);
    extra->setColumnStretch(0, 1);
    link->addLayout(extra);
    for (CheckBox* box : {&w.Check3, &w.Check4, &w.Check5, &w.Check6, &w.AutoStart}) {
        link->addWidget(Make(*box));
    }
    link->addWidget(Make(w.Command4));
    link->addStretch(1);
    body->addLayout(link, 1);
    root->addLayout(body);

    // What goes over the line: the PC's time beside the message sent, the clock's reply
    // beneath the message so the two line up character by character.
    auto* traffic = new QGridLayout;
    traffic->setHorizontalSpacing(18);
    traffic->setVerticalSpacing(4);
    traffic->addWidget(Make(w.Label8), 0, 0);
    auto* pcTimes = new QHBoxLayout;
    QLineEdit* pcTime = Make(w.txtPCtime);
    pcTime->setMinimumWidth(LineEditWidthFor(pcTime, 24));
    pcTimes->addWidget(pcTime, 1);
    QLineEdit* localTime = Make(w.txtLocalTime);
    localTime->setMinimumWidth(LineEditWidthFor(localTime, 24));
    pcTimes->addWidget(localTime, 1);
    traffic->addLayout(pcTimes, 1, 0);
    traffic->addWidget(Make(w.Label7), 2, 0);
    QLineEdit* gpsTime = Make(w.txtGPStime);
    gpsTime->setMinimumWidth(LineEditWidthFor(gpsTime, 24));
    traffic->addWidget(gpsTime, 3, 0);

    traffic->addWidget(Make(w.Label3), 0, 1);
    QLineEdit* sent = Make(w.Text1);
    sent->setFixedWidth(LineEditWidthFor(sent, kMessageColumns));
    traffic->addWidget(sent, 1, 1);
    traffic->addWidget(Make(w.Label25), 2, 1, 1, 2);
    QLineEdit* reply = Make(w.Text3);
    reply->setFixedWidth(LineEditWidthFor(reply, kMessageColumns));
    traffic->addWidget(reply, 3, 1);
    QLineEdit* seconds = Make(w.Text4);
    seconds->setFixedWidth(LineEditWidthFor(seconds, 3));
    traffic->addWidget(seconds, 3, 2);
    traffic->addWidget(Make(w.Label24), 4, 0, 1, 3);
    traffic->addWidget(Make(w.Text2), 5, 0, 1, 3);
    traffic->setColumnStretch(0, 1);
    traffic->setColumnStretch(3, 1);
    root->addLayout(traffic);

    root->addStretch(1);

    // The warning line and the way out.
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
    footer->addWidget(Make(w.Command1), 0, Qt::AlignRight | Qt::AlignBottom);
    root->addLayout(footer);
}

}  // namespace corvantis
