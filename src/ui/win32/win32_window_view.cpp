#include "ui/win32/win32_window_view.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <chrono>
#include <limits>
#include <utility>

#include "platform/failure.h"
#include "platform/win32/win32_error.h"
#include "ui/win32/control_ids.h"
#include "ui/win32/resources/resource_ids.h"
#include "ui/win32/win32_dpi.h"

namespace corvantis {
namespace {

// Messages of the window to itself.
constexpr UINT kNotifyIconMessage = WM_APP + 1;  // the notification-area icon's mouse events
constexpr UINT kPickAfterCloseUp = WM_APP + 2;   // wParam: ID of a list whose drop-down closed
constexpr UINT kShowListText = WM_APP + 3;       // wParam: ID of a list whose field was written to

// Tray menu commands, outside the controls' ID range.
constexpr UINT kMenuShow = 0x7001;
constexpr UINT kMenuExit = 0x7002;

// Layout constants, in dialog units.
constexpr int kMargin = 7;
constexpr int kFrameX = kMargin;
constexpr int kFrameWidth = 256;
constexpr int kFrameCaption = 12;  // room above the frame's first row
constexpr int kFrameBottom = 6;
constexpr int kFrameIndent = 8;  // the frame's rows from its left edge
constexpr int kRightX = kFrameX + kFrameWidth + 10;
constexpr int kRightWidth = 196;
constexpr int kClientWidth = kRightX + kRightWidth + kMargin;
constexpr int kFullWidth = kClientWidth - 2 * kMargin;  // a block from margin to margin
constexpr int kDropDownHeight = 120;  // open list of a drop-down, beneath its edit field
constexpr int kBoxChrome = 10;        // pixels at 96 DPI around a text box's characters
constexpr int kNextToPrevious = 4;    // gap before a control placed after its neighbour
// Clock replies are shown up to 36 characters at a time; one more keeps the caret clear.
constexpr int kMessageColumns = 37;

// Heights of the controls, and of the rows that hold them.
constexpr int kLabelHeight = 8;
constexpr int kCheckHeight = 10;
constexpr int kFieldHeight = 12;  // a list's edit field, a text box
constexpr int kButtonHeight = 14;
constexpr int kCaptionRow = 10;  // a line of text above or below others
constexpr int kCheckRow = 14;
constexpr int kFieldRow = 16;
constexpr int kButtonRow = 18;
constexpr int kGapRow = 4;
constexpr int kBesideField = 2;   // drop of a caption beside a field, to the field's text
constexpr int kOpensSection = 4;  // drop of a control that opens a section, from its row's top

// Columns of the right-hand block: where its lists start.
constexpr int kListX = 150;
constexpr int kNarrowListX = 110;
constexpr int kShortButtonWidth = 80;  // "Close and Exit", "Hide Program"
// The message texts' column in the block beneath, and the width of the PC-time fields.
constexpr int kMessageX = 166;
constexpr int kTimeWidth = 150;

// Room between the blocks and around the warning line.
constexpr int kBelowHeader = 4;
constexpr int kBelowColumns = 8;
constexpr int kBelowTraffic = 6;
// Four lines of text: the not-sending notice, a rule warning and the PC clock's state can
// stand together, each a line or two long.
constexpr int kWarningHeight = 34;
constexpr int kWarningRow = 36;
constexpr int kWarningGap = 8;  // between the warning line and "Close and Exit"

// SetWindowPos flags for a new place or size that changes nothing else.
constexpr UINT kMoveOnly = SWP_NOZORDER | SWP_NOACTIVATE;

// The warning line's colours, and "Please Wait!" in red.
constexpr COLORREF kWarningText = RGB(0x4a, 0x35, 0x00);
constexpr COLORREF kWarningBackground = RGB(0xff, 0xf4, 0xce);
constexpr COLORREF kWaitText = RGB(0xb0, 0x1e, 0x1e);

// The stock arrow cursor (IDC_ARROW) and application icon (IDI_APPLICATION).
constexpr WORD kStockArrow = 32512;
constexpr WORD kStockApplicationIcon = 32512;

// Whether a high-contrast theme is on.
bool SystemHighContrast() {
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof(contrast);
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

// The work areas of the system's monitors, the primary one first.
std::vector<ScreenRect> SystemWorkAreas() {
    std::vector<ScreenRect> areas;
    const auto collect = [](HMONITOR monitor, HDC, LPRECT, LPARAM data) -> BOOL {
        MONITORINFO info{};
        info.cbSize = sizeof(info);
        if (GetMonitorInfoW(monitor, &info)) {
            auto& list = *reinterpret_cast<std::vector<ScreenRect>*>(data);
            const RECT& work = info.rcWork;
            const ScreenRect area{work.left, work.top, work.right, work.bottom};
            if ((info.dwFlags & MONITORINFOF_PRIMARY) != 0) {
                list.insert(list.begin(), area);
            } else {
                list.push_back(area);
            }
        }
        return TRUE;
    };
    EnumDisplayMonitors(nullptr, nullptr, collect, reinterpret_cast<LPARAM>(&areas));
    return areas;
}

// Raises Failure with the calling thread's last Win32 error.
[[noreturn]] void ThrowLastError() {
    const DWORD code = GetLastError();
    throw Failure(static_cast<int>(code), SystemErrorText(code));
}

// The control ID `id` as CreateWindowExW takes it for a child window.
HMENU ChildId(int id) {
    return reinterpret_cast<HMENU>(static_cast<INT_PTR>(id));
}

std::wstring Wide(const std::string& text) {
    std::wstring wide(text.size(), L'\0');
    std::transform(text.begin(), text.end(), wide.begin(),
                   [](char c) { return static_cast<wchar_t>(static_cast<unsigned char>(c)); });
    return wide;
}

std::string Narrow(const std::wstring& text) {
    std::string narrow(text.size(), '\0');
    std::transform(text.begin(), text.end(), narrow.begin(),
                   [](wchar_t c) { return c < 256 ? static_cast<char>(c) : '?'; });
    return narrow;
}

std::wstring TextOf(HWND hwnd) {
    const int length = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(hwnd, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(std::max(copied, 0)));
    return text;
}

// Sets the text of `hwnd` only where it differs, so a selection in it stays.
void SetTextIfChanged(HWND hwnd, const std::wstring& text) {
    if (TextOf(hwnd) != text) {
        SetWindowTextW(hwnd, text.c_str());
    }
}

// Buttons, check boxes and frames read "&" as a mnemonic marker; a caption means it
// literally.
std::wstring ButtonCaption(const std::string& caption) {
    std::wstring text;
    for (wchar_t c : Wide(caption)) {
        text += c;
        if (c == L'&') {
            text += L'&';
        }
    }
    return text;
}

WPARAM CheckStateOf(int value) {
    switch (value) {
        case 1:
            return BST_CHECKED;
        case 2:
            return BST_INDETERMINATE;
        default:
            return BST_UNCHECKED;
    }
}

enum class Kind { Label, Frame, Button, CheckBox, Option, TextBox, List };
enum class Look { Normal, Bold, Title, Wait };

// The window class, styles and first height of one kind of control.
struct ChildStyle {
    const wchar_t* windowClass = WC_STATICW;
    DWORD style = WS_CHILD;
    DWORD exStyle = 0;
    int height = 0;
};

ChildStyle ChildStyleOf(Kind kind, DWORD align, bool firstOption) {
    ChildStyle child;
    switch (kind) {
        case Kind::Label:
            child.style |= align | SS_NOPREFIX;
            break;
        case Kind::Frame:
            child.windowClass = WC_BUTTONW;
            child.style |= BS_GROUPBOX;
            break;
        case Kind::Button:
            child.windowClass = WC_BUTTONW;
            child.style |= BS_PUSHBUTTON | WS_TABSTOP;
            break;
        case Kind::CheckBox:
            // Not automatic: the model decides the state, the box shows it.
            child.windowClass = WC_BUTTONW;
            child.style |= BS_3STATE | WS_TABSTOP;
            break;
        case Kind::Option:
            child.windowClass = WC_BUTTONW;
            child.style |= BS_RADIOBUTTON | WS_TABSTOP | (firstOption ? WS_GROUP : 0);
            break;
        case Kind::TextBox:
            child.windowClass = WC_EDITW;
            child.style |= ES_READONLY | ES_AUTOHSCROLL | WS_TABSTOP;
            child.exStyle |= WS_EX_CLIENTEDGE;
            break;
        case Kind::List:
            child.windowClass = WC_COMBOBOXW;
            child.style |= CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP;
            child.height = 200;
            break;
    }
    // Each tab stop after a non-tab-stop starts a group, so arrow keys stay inside a control.
    if (kind != Kind::Label && kind != Kind::Frame && kind != Kind::Option) {
        child.style |= WS_GROUP;
    }
    return child;
}

// The tooltip window's record of the tool `control` of `owner`.
TOOLINFOW ToolOf(HWND owner, HWND control) {
    TOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = owner;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    return tool;
}

}  // namespace

// One control of the model and its child window.
struct Win32WindowView::Entry {
    Control* control = nullptr;
    Kind kind = Kind::Label;
    Look look = Look::Normal;
    int id = 0;
    DWORD align = SS_LEFT;     // labels
    HWND hwnd = nullptr;       // owned by the top-level window
    bool pickPending = false;  // lists: a choice made in the open drop-down, not yet picked
};

// Where one control sits in its row, in dialog units from its block's left edge and its
// row's top. A text box with `columns` is as wide as that many characters of its font; an
// x below 0 puts the control 4 units right of the row's previous control.
struct Win32WindowView::Placement {
    Entry* entry;
    int x;
    int width;
    int height;
    int dy = 0;
    int columns = 0;
};

struct Win32WindowView::Row {
    int height;
    std::vector<Placement> cells;
    bool keepRoom = false;  // takes its room also while every control in it is hidden
};

// A column of rows. A framed block draws `frame` around its rows.
struct Win32WindowView::Block {
    int x;
    int width;
    std::vector<Row> rows;
    Entry* frame = nullptr;
};

class Win32WindowView::StatusLineImpl : public StatusLine {
public:
    explicit StatusLineImpl(Win32WindowView& view) : m_view(view) {}
    void ShowWarning(const std::string& text) override {
        if (m_view.m_warning == nullptr) {
            return;
        }
        ++m_view.m_mirroring;
        SetWindowTextW(m_view.m_warning, Wide(text).c_str());
        ShowWindow(m_view.m_warning, text.empty() ? SW_HIDE : SW_SHOWNA);
        --m_view.m_mirroring;
    }

private:
    Win32WindowView& m_view;
};

Win32WindowView::Win32WindowView(Window& window, HINSTANCE instance)
    : isHighContrast(&SystemHighContrast),
      workAreas(&SystemWorkAreas),
      m_window(window),
      m_instance(instance),
      m_self(std::make_shared<Win32WindowView*>(this)) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    LoadIcons();
    RegisterWindowClass();
    m_warningBrush.Reset(CreateSolidBrush(kWarningBackground));
    BuildLayout();
    CreateMainWindow();
    try {
        CreateControls();
    } catch (...) {
        // The window goes while every member it reaches still exists.
        Destroy();
        throw;
    }
    ApplyDpi(DpiForWindow(m_hwnd));
}

void Win32WindowView::LoadIcons() {
    const auto load = [this](int metric) {
        const int size = GetSystemMetrics(metric);
        return static_cast<HICON>(LoadImageW(m_instance, MAKEINTRESOURCEW(IDI_CORVANTIS),
                                             IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    };
    m_bigIcon.Reset(load(SM_CXICON));
    m_smallIcon.Reset(load(SM_CXSMICON));
}

void Win32WindowView::RegisterWindowClass() const {
    // Once per process, with the first view's instance.
    static const ATOM windowClass = [this] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = &Win32WindowView::WindowProc;
        wc.hInstance = m_instance;
        wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(kStockArrow));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
        wc.lpszClassName = win32ids::kMainWindowClass;
        return RegisterClassExW(&wc);
    }();
    if (windowClass == 0) {
        ThrowLastError();
    }
}

void Win32WindowView::CreateMainWindow() {
    // No WS_CLIPCHILDREN: a group box draws no background of its own and relies on the
    // window's beneath it.
    constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;
    const std::wstring caption = Wide(kWindowCaption);
    HWND hwnd =
        CreateWindowExW(kExStyle, win32ids::kMainWindowClass, caption.c_str(), kStyle,
                        CW_USEDEFAULT, CW_USEDEFAULT, 640, 480, nullptr, nullptr, m_instance, this);
    if (hwnd == nullptr) {
        ThrowLastError();
    }
    m_owner.Reset(hwnd);
    for (const auto& [size, icon] :
         {std::pair{ICON_BIG, &m_bigIcon}, std::pair{ICON_SMALL, &m_smallIcon}}) {
        if (*icon) {
            SendMessageW(hwnd, WM_SETICON, size, reinterpret_cast<LPARAM>(icon->Get()));
        }
    }
    m_toolTips.Reset(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                     WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                     CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd, nullptr,
                                     m_instance, nullptr));
    m_status = std::make_unique<StatusLineImpl>(*this);
    m_notifyIcon = std::make_unique<Win32NotifyIcon>(hwnd, kNotifyIconMessage);
    m_taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
}

Win32WindowView::~Win32WindowView() {
    m_self.reset();
    onDestroyed = nullptr;
    m_notifyIcon.reset();
    Destroy();
}

StatusLine& Win32WindowView::Status() {
    return *m_status;
}

HWND Win32WindowView::ControlHandle(const std::string& name) const {
    for (const auto& entry : m_entries) {
        if (entry->control->Name() == name) {
            return entry->hwnd;
        }
    }
    return nullptr;
}

std::wstring Win32WindowView::ToolTipText(const std::string& name) const {
    HWND control = ControlHandle(name);
    if (!m_toolTips || control == nullptr) {
        return {};
    }
    wchar_t text[256] = {};
    TOOLINFOW tool = ToolOf(m_hwnd, control);
    tool.lpszText = text;
    SendMessageW(m_toolTips.Get(), TTM_GETTEXTW, std::size(text), reinterpret_cast<LPARAM>(&tool));
    return text;
}

void Win32WindowView::Show() {
    if (m_hwnd == nullptr) {
        return;
    }
    ShowWindow(m_hwnd, IsIconic(m_hwnd) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(m_hwnd);
}

void Win32WindowView::Destroy() {
    if (m_hwnd != nullptr) {
        m_owner.Reset();  // WM_NCDESTROY clears m_hwnd and the controls' handles
    }
}

bool Win32WindowView::AddNotifyIcon() {
    if (!m_notifyIcon) {
        return false;
    }
    HICON icon = m_smallIcon ? m_smallIcon.Get()
                             : LoadIconW(nullptr, MAKEINTRESOURCEW(kStockApplicationIcon));
    return m_notifyIcon->Add(icon, Wide(kWindowCaption));
}

void Win32WindowView::RemoveNotifyIcon() {
    if (m_notifyIcon) {
        m_notifyIcon->Remove();
    }
}

template <class Action>
void Win32WindowView::Forward(Action&& action) noexcept {
    CatchEverything(std::forward<Action>(action), [this](const std::exception& failure) {
        ReportToView(failure, onFailure, m_status.get());
    });
}

// ---- Layout ------------------------------------------------------------------------------

// Makes the view's entries, in tab order, and the blocks of rows they sit in.
class Win32WindowView::LayoutBuilder {
public:
    explicit LayoutBuilder(Win32WindowView& view) : m_view(view), m_window(view.m_window) {}

    // Title, version and maker's line.
    Block Header();
    // The display-rule frame.
    Block Rules();
    // The serial line beside the frame: broadcast switch, port and clock addresses, the
    // commands, then the controls the window keeps hidden.
    Block Link();
    // What goes over the line: the PC's time beside the message sent, the clock's reply
    // beneath the message so the two line up character by character.
    Block Traffic();
    // "Close and Exit", beside the warning line (placed by Relayout).
    void ExitButton() { Add(m_window.Command1, Kind::Button); }

private:
    // One display rule's controls: a sentence read across, occurrence, weekday, "of",
    // month, "or", day of the month, with captions above the lists.
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

    Entry* Add(Control& control, Kind kind, Look look = Look::Normal, DWORD align = SS_LEFT);
    Entry* Text(Label& label, Look look = Look::Normal, DWORD align = SS_LEFT) {
        return Add(label, Kind::Label, look, align);
    }
    Entry* List(ComboBox& list) { return Add(list, Kind::List); }
    Entry* Check(CheckBox& box) { return Add(box, Kind::CheckBox); }
    Entry* Press(Button& button) { return Add(button, Kind::Button); }
    Entry* Box(TextBox& box) { return Add(box, Kind::TextBox); }

    // A caption and its list in the frame.
    Row FramePair(Label& caption, ComboBox& list);
    // A caption and its list in the right-hand block, the list from `listX` to the edge.
    Row LinkPair(Label& caption, ComboBox& list, int listX = kListX);
    void AddRule(Block& block, const Rule& rule);
    void AddLinkPorts(Block& block);
    void AddLinkCommands(Block& block);
    void AddLinkHidden(Block& block);

    Win32WindowView& m_view;
    Window& m_window;
};

Win32WindowView::Entry* Win32WindowView::LayoutBuilder::Add(Control& control, Kind kind, Look look,
                                                            DWORD align) {
    auto made = std::make_unique<Entry>();
    made->control = &control;
    made->kind = kind;
    made->look = look;
    made->align = align;
    made->id = win32ids::ControlIdOf(control.Name());
    Entry* raw = made.get();
    m_view.m_byId[raw->id] = raw;
    m_view.m_entries.push_back(std::move(made));
    return raw;
}

Win32WindowView::Row Win32WindowView::LayoutBuilder::FramePair(Label& caption, ComboBox& list) {
    return Row{kFieldRow,
               {{Text(caption), kFrameIndent, 128, kLabelHeight, kBesideField},
                {List(list), 140, 52, kFieldHeight}}};
}

Win32WindowView::Row Win32WindowView::LayoutBuilder::LinkPair(Label& caption, ComboBox& list,
                                                              int listX) {
    return Row{kFieldRow,
               {{Text(caption), 0, listX - kNextToPrevious, kLabelHeight, kBesideField},
                {List(list), listX, kRightWidth - listX, kFieldHeight}}};
}

Win32WindowView::Block Win32WindowView::LayoutBuilder::Header() {
    Block header{kMargin, kFullWidth, {}};
    header.rows.push_back(
        {kCheckRow,
         {{Text(m_window.Label6, Look::Title), 0, 300, 13},
          {Text(m_window.Label2, Look::Normal, SS_RIGHT), 362, 100, kLabelHeight, kBesideField}}});
    header.rows.push_back({kCheckRow, {{Text(m_window.Label5), 0, 360, kLabelHeight}}});
    return header;
}

Win32WindowView::Block Win32WindowView::LayoutBuilder::Rules() {
    constexpr int kRowWidth = 240;  // a line of text across the frame
    Block rules{kFrameX, kFrameWidth, {}, Add(m_window.Frame1, Kind::Frame)};
    rules.rows.push_back({kCheckRow, {{Check(m_window.Check7), kFrameIndent, 200, kCheckHeight}}});
    rules.rows.push_back(FramePair(m_window.Label15, m_window.HourOffset));
    AddRule(rules, {m_window.Label29, m_window.Label18, m_window.Label19, m_window.Label26,
                    m_window.Label27, m_window.Label31, m_window.Combo12, m_window.Combo11,
                    m_window.Combo10, m_window.Combo7});
    AddRule(rules, {m_window.Label30, m_window.Label21, m_window.Label22, m_window.Label20,
                    m_window.Label28, m_window.Label23, m_window.Combo9, m_window.Combo5,
                    m_window.Combo6, m_window.Combo8});
    rules.rows.push_back({kGapRow, {}, true});
    rules.rows.push_back(FramePair(m_window.Label16, m_window.Combo13));
    rules.rows.push_back(FramePair(m_window.Label17, m_window.Combo14));
    rules.rows.push_back(
        {kButtonRow, {{Press(m_window.UseZone), kFrameIndent, 184, kButtonHeight, kBesideField}}});
    rules.rows.push_back(
        {kCaptionRow, {{Text(m_window.Label12), kFrameIndent, kRowWidth, kLabelHeight}}});
    rules.rows.push_back(
        {kCaptionRow, {{Text(m_window.Label32), kFrameIndent, kRowWidth, kLabelHeight}}});
    return rules;
}

void Win32WindowView::LayoutBuilder::AddRule(Block& block, const Rule& rule) {
    constexpr int kOccurrenceX = 16;
    constexpr int kWeekdayX = 68;
    constexpr int kDayX = 178;
    block.rows.push_back(
        {kCheckRow,
         {{Text(rule.title, Look::Bold), kFrameIndent, 200, kLabelHeight, kOpensSection}}});
    block.rows.push_back({kCaptionRow,
                          {{Text(rule.occurrenceCaption), kOccurrenceX, 48, kLabelHeight},
                           {Text(rule.weekdayCaption), kWeekdayX, 52, kLabelHeight},
                           {Text(rule.dayCaption), kDayX, 72, kLabelHeight}}});
    block.rows.push_back(
        {kFieldRow,
         {{List(rule.occurrence), kOccurrenceX, 48, kFieldHeight},
          {List(rule.weekday), kWeekdayX, 40, kFieldHeight},
          {Text(rule.of, Look::Normal, SS_CENTER), 108, 14, kLabelHeight, kBesideField},
          {List(rule.month), 122, 40, kFieldHeight},
          {Text(rule.orCaption, Look::Normal, SS_CENTER), 162, 16, kLabelHeight, kBesideField},
          {List(rule.day), kDayX, 36, kFieldHeight}}});
}

Win32WindowView::Block Win32WindowView::LayoutBuilder::Link() {
    Block link{kRightX, kRightWidth, {}};
    AddLinkPorts(link);
    AddLinkCommands(link);
    AddLinkHidden(link);
    return link;
}

void Win32WindowView::LayoutBuilder::AddLinkPorts(Block& block) {
    block.rows.push_back(
        {kCheckRow, {{Check(m_window.Check8), 0, 120, kCheckHeight, kOpensSection}}});
    block.rows.push_back({kCheckRow, {{Check(m_window.Check2), 0, 120, kCheckHeight}}});
    block.rows.push_back(LinkPair(m_window.Label10, m_window.Combo2));
    block.rows.push_back(LinkPair(m_window.Label11, m_window.SerialRate, kNarrowListX));
    block.rows.push_back(LinkPair(m_window.Label1, m_window.Combo1));
    block.rows.push_back(LinkPair(m_window.Label34, m_window.CurrAddress));
    block.rows.push_back(LinkPair(m_window.Label35, m_window.NewAddress));
    block.rows.push_back({kGapRow, {}, true});
}

void Win32WindowView::LayoutBuilder::AddLinkCommands(Block& block) {
    block.rows.push_back({kButtonRow, {{Press(m_window.SendAddr), 0, kRightWidth, kButtonHeight}}});
    block.rows.push_back({kButtonRow, {{Press(m_window.Command2), 0, kRightWidth, kButtonHeight}}});
    block.rows.push_back({kButtonRow,
                          {{Press(m_window.Command3), 0, 62, kButtonHeight},
                           {Press(m_window.Command5), 66, 62, kButtonHeight},
                           {Press(m_window.Command6), 132, 64, kButtonHeight}}});
    block.rows.push_back({kCheckRow,
                          {{Text(m_window.Label33, Look::Wait, SS_CENTER), 0, kRightWidth,
                            kCheckHeight, kBesideField}},
                          true});
}

void Win32WindowView::LayoutBuilder::AddLinkHidden(Block& block) {
    block.rows.push_back({kCheckRow,
                          {{Add(m_window.Option1[0], Kind::Option), 0, 40, kCheckHeight},
                           {Add(m_window.Option1[1], Kind::Option), 44, 50, kCheckHeight}}});
    block.rows.push_back({kCheckRow, {{Check(m_window.Check1), 0, kRightWidth, kCheckHeight}}});
    block.rows.push_back(LinkPair(m_window.Label4, m_window.UDPaddress, kNarrowListX));
    block.rows.push_back(LinkPair(m_window.Label9, m_window.UDPrate, kNarrowListX));
    block.rows.push_back(LinkPair(m_window.Label13, m_window.Combo3));
    block.rows.push_back(LinkPair(m_window.Label14, m_window.Combo4));
    for (CheckBox* box : {&m_window.Check3, &m_window.Check4, &m_window.Check5, &m_window.Check6,
                          &m_window.AutoStart}) {
        block.rows.push_back({kCheckRow, {{Check(*box), 0, kRightWidth, kCheckHeight}}});
    }
    block.rows.push_back(
        {kButtonRow, {{Press(m_window.Command4), 0, kShortButtonWidth, kButtonHeight}}});
}

Win32WindowView::Block Win32WindowView::LayoutBuilder::Traffic() {
    constexpr int kMessageLabelWidth = 200;
    constexpr int kLastLineWidth = 300;  // the caption and text of the line beneath both
    Block traffic{kMargin, kFullWidth, {}};
    traffic.rows.push_back({kCaptionRow,
                            {{Text(m_window.Label8), 0, kTimeWidth, kLabelHeight},
                             {Text(m_window.Label3), kMessageX, kTimeWidth, kLabelHeight}}});
    traffic.rows.push_back(
        {kFieldRow,
         {{Box(m_window.txtPCtime), 0, kTimeWidth, kFieldHeight},
          {Box(m_window.txtLocalTime), 0, kTimeWidth, kFieldHeight},
          {Box(m_window.Text1), kMessageX, 0, kFieldHeight, 0, kMessageColumns}}});
    traffic.rows.push_back({kCaptionRow,
                            {{Text(m_window.Label7), 0, kTimeWidth, kLabelHeight},
                             {Text(m_window.Label25), kMessageX, kMessageLabelWidth, kLabelHeight}},
                            true});
    traffic.rows.push_back({kFieldRow,
                            {{Box(m_window.txtGPStime), 0, kTimeWidth, kFieldHeight},
                             {Box(m_window.Text3), kMessageX, 0, kFieldHeight, 0, kMessageColumns},
                             {Box(m_window.Text4), -1, 0, kFieldHeight, 0, 3}},
                            true});
    traffic.rows.push_back(
        {kCaptionRow, {{Text(m_window.Label24), 0, kLastLineWidth, kLabelHeight}}});
    traffic.rows.push_back({kFieldRow, {{Box(m_window.Text2), 0, kLastLineWidth, kFieldHeight}}});
    return traffic;
}

void Win32WindowView::BuildLayout() {
    LayoutBuilder layout(*this);
    m_blocks.push_back(layout.Header());
    m_blocks.push_back(layout.Rules());
    m_blocks.push_back(layout.Link());
    m_blocks.push_back(layout.Traffic());
    layout.ExitButton();
}

void Win32WindowView::CreateControls() {
    for (auto& entry : m_entries) {
        CreateControl(*entry);
    }
    m_warning = CreateWindowExW(0, WC_STATICW, L"", WS_CHILD | SS_LEFT | SS_NOPREFIX, 0, 0, 0, 0,
                                m_hwnd, ChildId(win32ids::kWarningLine), m_instance, nullptr);
    for (auto& entry : m_entries) {
        Observe(*entry);
    }
    MirrorAll();
}

void Win32WindowView::CreateControl(Entry& entry) {
    Control& control = *entry.control;
    const bool firstOption =
        entry.kind == Kind::Option && static_cast<OptionButton&>(control).Index() == 0;
    const ChildStyle child = ChildStyleOf(entry.kind, entry.align, firstOption);
    entry.hwnd = CreateWindowExW(child.exStyle, child.windowClass, L"", child.style, 0, 0, 10,
                                 child.height, m_hwnd, ChildId(entry.id), m_instance, nullptr);
    if (entry.hwnd == nullptr) {
        ThrowLastError();
    }
    if (entry.kind == Kind::List) {
        SubclassList(entry);
    }
    if (!control.ToolTip().empty() && m_toolTips) {
        TOOLINFOW tool = ToolOf(m_hwnd, entry.hwnd);
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        std::wstring text = Wide(control.ToolTip());
        tool.lpszText = text.data();
        SendMessageW(m_toolTips.Get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void Win32WindowView::SubclassList(Entry& entry) {
    const auto id = static_cast<UINT_PTR>(entry.id);
    const auto self = reinterpret_cast<DWORD_PTR>(this);
    SetWindowSubclass(entry.hwnd, &Win32WindowView::ListWheelProc, id, self);
    // Keys and the focus leaving arrive at the list's edit field.
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    if (GetComboBoxInfo(entry.hwnd, &info) && info.hwndItem != nullptr) {
        // The field shows the model's text and takes no typing: only a pick changes a list.
        const bool typed = static_cast<ComboBox&>(*entry.control).TakesTyping();
        SendMessageW(info.hwndItem, EM_SETREADONLY, typed ? FALSE : TRUE, 0);
        SetWindowSubclass(info.hwndItem, &Win32WindowView::ListEditProc, id, self);
    }
}

void Win32WindowView::Observe(Entry& entry) {
    std::weak_ptr<Win32WindowView*> self = m_self;
    Entry* raw = &entry;
    entry.control->AddObserver([self, raw](ControlProperty property) {
        if (const auto view = self.lock()) {
            (*view)->Mirror(*raw, property);
        }
    });
}

void Win32WindowView::MirrorAll() {
    for (auto& entry : m_entries) {
        for (ControlProperty property : {ControlProperty::Text, ControlProperty::Value,
                                         ControlProperty::Entries, ControlProperty::Enabled}) {
            Mirror(*entry, property);
        }
        ShowWindow(entry->hwnd, entry->control->Visible() ? SW_SHOWNA : SW_HIDE);
    }
}

void Win32WindowView::Mirror(Entry& entry, ControlProperty property) {
    if (entry.hwnd == nullptr) {
        return;
    }
    ++m_mirroring;
    Control& control = *entry.control;
    switch (property) {
        case ControlProperty::Visible:
            ShowWindow(entry.hwnd, control.Visible() ? SW_SHOWNA : SW_HIDE);
            Relayout();
            break;
        case ControlProperty::Enabled:
            EnableWindow(entry.hwnd, control.Enabled() ? TRUE : FALSE);
            break;
        case ControlProperty::Timing:
            break;
        default:
            MirrorContent(entry);
            break;
    }
    --m_mirroring;
}

void Win32WindowView::MirrorContent(Entry& entry) {
    Control& control = *entry.control;
    switch (entry.kind) {
        case Kind::Label:
            SetWindowTextW(entry.hwnd,
                           Wide(static_cast<CaptionedControl&>(control).Caption()).c_str());
            break;
        case Kind::Frame:
        case Kind::Button:
            SetWindowTextW(
                entry.hwnd,
                ButtonCaption(static_cast<CaptionedControl&>(control).Caption()).c_str());
            break;
        case Kind::CheckBox: {
            auto& box = static_cast<CheckBox&>(control);
            SetWindowTextW(entry.hwnd, ButtonCaption(box.Caption()).c_str());
            SendMessageW(entry.hwnd, BM_SETCHECK, CheckStateOf(box.Value()), 0);
            break;
        }
        case Kind::Option: {
            auto& option = static_cast<OptionButton&>(control);
            SetWindowTextW(entry.hwnd, ButtonCaption(option.Caption()).c_str());
            SendMessageW(entry.hwnd, BM_SETCHECK, option.Value() ? BST_CHECKED : BST_UNCHECKED, 0);
            break;
        }
        case Kind::TextBox:
            // Unchanged text is left alone so a running clock does not undo a selection.
            SetTextIfChanged(entry.hwnd, Wide(static_cast<TextBox&>(control).Text()));
            break;
        case Kind::List:
            MirrorList(entry);
            break;
    }
}

void Win32WindowView::MirrorList(Entry& entry) {
    const auto& list = static_cast<ComboBox&>(*entry.control);
    const auto& entries = list.Entries();
    HWND hwnd = entry.hwnd;
    int kept = static_cast<int>(SendMessageW(hwnd, CB_GETCOUNT, 0, 0));
    bool prefix = kept <= static_cast<int>(entries.size());
    for (int i = 0; prefix && i < kept; ++i) {
        const int length = static_cast<int>(SendMessageW(hwnd, CB_GETLBTEXTLEN, i, 0));
        std::wstring item(static_cast<std::size_t>(std::max(length, 0)) + 1, L'\0');
        SendMessageW(hwnd, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item.data()));
        item.resize(static_cast<std::size_t>(std::max(length, 0)));
        prefix = item == Wide(entries[static_cast<std::size_t>(i)]);
    }
    if (!prefix) {
        SendMessageW(hwnd, CB_RESETCONTENT, 0, 0);
        kept = 0;
    }
    for (std::size_t i = static_cast<std::size_t>(kept); i < entries.size(); ++i) {
        SendMessageW(hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(entries[i]).c_str()));
    }
    if (static_cast<int>(SendMessageW(hwnd, CB_GETCURSEL, 0, 0)) != list.ListIndex()) {
        SendMessageW(hwnd, CB_SETCURSEL, static_cast<WPARAM>(list.ListIndex()), 0);
    }
    SetTextIfChanged(hwnd, Wide(list.Text()));
}

HFONT Win32WindowView::FontFor(const Entry& entry) const {
    if (entry.kind == Kind::TextBox && static_cast<TextBox&>(*entry.control).FixedPitch()) {
        return m_fixedFont.Get();
    }
    switch (entry.look) {
        case Look::Bold:
        case Look::Wait:
            return m_boldFont.Get();
        case Look::Title:
            return m_titleFont.Get();
        case Look::Normal:
            break;
    }
    return m_font.Get();
}

void Win32WindowView::ApplyDpi(UINT dpi, const RECT* suggested) {
    if (m_hwnd == nullptr) {
        return;
    }
    m_dpi = dpi;
    if (suggested != nullptr) {
        SetWindowPos(m_hwnd, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     kMoveOnly);
    }
    const std::vector<ScreenRect> areas = workAreas ? workAreas() : std::vector<ScreenRect>{};
    ScreenSize available{std::numeric_limits<int>::max(), std::numeric_limits<int>::max()};
    if (!areas.empty()) {
        const ScreenRect& area = WorkAreaFor(TopLeft(), OuterSize(), areas);
        available = {area.Width(), area.Height()};
    }
    // The last step measured is the one chosen: the window is laid out at it already.
    m_fontStep = FittingFontStep([this](int step) { return LayOut(step); }, available);
    PlaceAt(TopLeft());
    InvalidateRect(m_hwnd, nullptr, TRUE);
}

ScreenSize Win32WindowView::LayOut(int step) {
    CreateFonts(m_dpi, step);
    MeasureFonts();
    ++m_mirroring;
    for (auto& entry : m_entries) {
        SendMessageW(entry->hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(*entry)), FALSE);
    }
    SendMessageW(m_warning, WM_SETFONT, reinterpret_cast<WPARAM>(m_font.Get()), FALSE);
    if (m_toolTips) {
        SendMessageW(m_toolTips.Get(), WM_SETFONT, reinterpret_cast<WPARAM>(m_font.Get()), FALSE);
    }
    --m_mirroring;
    Relayout();
    return OuterSize();
}

ScreenSize Win32WindowView::OuterSize() const {
    RECT outer{};
    GetWindowRect(m_hwnd, &outer);
    return {outer.right - outer.left, outer.bottom - outer.top};
}

ScreenPoint Win32WindowView::TopLeft() const {
    RECT outer{};
    GetWindowRect(m_hwnd, &outer);
    return {outer.left, outer.top};
}

void Win32WindowView::PlaceAt(ScreenPoint wanted) {
    if (m_hwnd == nullptr) {
        return;
    }
    const std::vector<ScreenRect> areas = workAreas ? workAreas() : std::vector<ScreenRect>{};
    const ScreenPoint at = PlaceWindow(wanted, OuterSize(), areas);
    SetWindowPos(m_hwnd, nullptr, at.x, at.y, 0, 0, kMoveOnly | SWP_NOSIZE);
    m_place = TopLeft();
}

void Win32WindowView::CreateFonts(UINT dpi, int step) {
    LOGFONTW message = MessageFontForDpi(dpi);
    message.lfHeight = MulDiv(message.lfHeight, step, 100);
    message.lfWidth = MulDiv(message.lfWidth, step, 100);
    m_font.Reset(CreateFontIndirectW(&message));
    LOGFONTW bold = message;
    bold.lfWeight = FW_BOLD;
    m_boldFont.Reset(CreateFontIndirectW(&bold));
    LOGFONTW title = bold;
    title.lfHeight = title.lfHeight * 3 / 2;
    m_titleFont.Reset(CreateFontIndirectW(&title));
    LOGFONTW fixed{};
    fixed.lfHeight = message.lfHeight;
    fixed.lfWeight = FW_NORMAL;
    fixed.lfCharSet = DEFAULT_CHARSET;
    fixed.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    lstrcpynW(fixed.lfFaceName, L"Courier New", LF_FACESIZE);
    m_fixedFont.Reset(CreateFontIndirectW(&fixed));
}

void Win32WindowView::MeasureFonts() {
    // Dialog base units of the message font, as the dialog manager computes them.
    WindowDc dc(m_hwnd);
    dc.Select(m_font.Get());
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc.Get(), &metrics);
    SIZE alphabet{};
    const wchar_t letters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    GetTextExtentPoint32W(dc.Get(), letters, 52, &alphabet);
    m_baseX = std::max(1, static_cast<int>((alphabet.cx / 26 + 1) / 2));
    m_baseY = std::max(1, static_cast<int>(metrics.tmHeight));
    dc.Select(m_fixedFont.Get());
    SIZE digit{};
    GetTextExtentPoint32W(dc.Get(), L"0", 1, &digit);
    m_fixedCharWidth = std::max(1, static_cast<int>(digit.cx));
}

int Win32WindowView::Px(int dluX) const {
    return MulDiv(dluX, m_baseX, 4);
}

int Win32WindowView::Py(int dluY) const {
    return MulDiv(dluY, m_baseY, 8);
}

void Win32WindowView::Relayout() {
    if (m_hwnd == nullptr || m_entries.empty()) {
        return;
    }
    int right = Px(kClientWidth - kMargin);
    int y = Py(kMargin);
    y = PlaceBlock(m_blocks[0], y, right) + Py(kBelowHeader);
    // The frame and the serial-line column side by side.
    const Block& rules = m_blocks[1];
    const int frameTop = y;
    const int frameBottom =
        PlaceBlock(rules, frameTop + Py(kFrameCaption), right) + Py(kFrameBottom);
    SetWindowPos(rules.frame->hwnd, nullptr, Px(rules.x), frameTop, Px(rules.width),
                 frameBottom - frameTop, kMoveOnly);
    const int linkBottom = PlaceBlock(m_blocks[2], frameTop, right);
    y = std::max(frameBottom, linkBottom) + Py(kBelowColumns);
    y = PlaceBlock(m_blocks[3], y, right) + Py(kBelowTraffic);
    y = PlaceWarningRow(y, right);
    FitClientArea(RECT{0, 0, right + Px(kMargin), y});
}

int Win32WindowView::PlaceBlock(const Block& block, int top, int& right) {
    const int chrome = MulDiv(kBoxChrome, static_cast<int>(m_dpi), USER_DEFAULT_SCREEN_DPI);
    int y = top;
    for (const Row& row : block.rows) {
        bool shown = row.keepRoom;
        for (const Placement& cell : row.cells) {
            shown = shown || cell.entry->control->Visible();
        }
        int previousRight = Px(block.x);
        for (const Placement& cell : row.cells) {
            const int x = cell.x < 0 ? previousRight + Px(kNextToPrevious) : Px(block.x + cell.x);
            // Edges rounded once, so neighbours in dialog units stay neighbours.
            int width = Px(block.x + cell.x + cell.width) - Px(block.x + cell.x);
            if (cell.columns > 0) {
                width = cell.columns * m_fixedCharWidth + chrome;
            }
            int height = Py(cell.dy + cell.height) - Py(cell.dy);
            if (cell.entry->kind == Kind::List) {
                height += Py(kDropDownHeight);  // the open list beneath the edit field
            }
            SetWindowPos(cell.entry->hwnd, nullptr, x, y + Py(cell.dy), width, height, kMoveOnly);
            previousRight = x + width;
            right = std::max(right, x + width);
        }
        if (shown) {
            y += Py(row.height);
        }
    }
    return y;
}

int Win32WindowView::PlaceWarningRow(int top, int right) {
    // The warning line and "Close and Exit" at the right edge, beneath everything.
    Entry& exit = *m_entries.back();
    const int exitWidth = Px(kShortButtonWidth);
    const int exitX = right - exitWidth;
    constexpr int kExitDy = 4;
    SetWindowPos(exit.hwnd, nullptr, exitX, top + Py(kExitDy), exitWidth, Py(kButtonHeight),
                 kMoveOnly);
    SetWindowPos(m_warning, nullptr, Px(kMargin), top, exitX - Px(kWarningGap) - Px(kMargin),
                 Py(kWarningHeight), kMoveOnly);
    return top + Py(kWarningRow) + Py(kMargin);
}

void Win32WindowView::FitClientArea(const RECT& client) {
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(m_hwnd, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(m_hwnd, GWL_EXSTYLE));
    const RECT frame = WindowRectForClient(client, style, exStyle, m_dpi);
    int width = frame.right - frame.left;
    int height = frame.bottom - frame.top;
    SetWindowPos(m_hwnd, nullptr, 0, 0, width, height, kMoveOnly | SWP_NOMOVE);
    // Where the frame is not drawn at this DPI yet (the system moves the window to a monitor
    // of that DPI only afterwards), make up the difference once.
    RECT got{};
    GetClientRect(m_hwnd, &got);
    if (got.right != client.right || got.bottom != client.bottom) {
        width += client.right - got.right;
        height += client.bottom - got.bottom;
        SetWindowPos(m_hwnd, nullptr, 0, 0, width, height, kMoveOnly | SWP_NOMOVE);
    }
}

// ---- Messages ----------------------------------------------------------------------------

Win32WindowView::Entry* Win32WindowView::EntryById(int id) {
    const auto found = m_byId.find(id);
    return found == m_byId.end() ? nullptr : found->second;
}

Win32WindowView::Entry* Win32WindowView::EntryByHandle(HWND handle) {
    for (auto& entry : m_entries) {
        if (entry->hwnd == handle) {
            return entry.get();
        }
    }
    return nullptr;
}

LRESULT CALLBACK Win32WindowView::WindowProc(HWND hwnd, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* view = static_cast<Win32WindowView*>(create->lpCreateParams);
        view->m_hwnd = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(view));
    }
    auto* view = reinterpret_cast<Win32WindowView*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (view == nullptr) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    LRESULT result = 0;
    view->Forward([&] { result = view->Handle(message, wParam, lParam); });
    return result;
}

LRESULT Win32WindowView::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            OnCommandMessage(wParam, lParam);
            return 0;
        case kPickAfterCloseUp:
            OnPickAfterCloseUp(static_cast<int>(wParam));
            return 0;
        case kShowListText:
            if (Entry* entry = EntryById(static_cast<int>(wParam))) {
                RestoreListText(*entry);
            }
            return 0;
        case WM_CTLCOLORSTATIC:
            return OnStaticColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_MOUSEMOVE:
            OnMouseMove(GET_X_LPARAM(lParam));
            return 0;
        case kNotifyIconMessage:
            OnNotifyIcon(static_cast<UINT>(lParam));
            return 0;
        case WM_MOVE:
            if (!IsIconic(m_hwnd)) {
                m_place = TopLeft();
            }
            return DefWindowProcW(m_hwnd, message, wParam, lParam);
        case WM_SYSCOLORCHANGE:
        case WM_SETTINGCHANGE:
            // A high-contrast theme switched on or off: the colours are picked anew.
            InvalidateRect(m_hwnd, nullptr, TRUE);
            return DefWindowProcW(m_hwnd, message, wParam, lParam);
        case WM_DPICHANGED:
            ApplyDpi(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
            return 0;
        case WM_ENDSESSION:
            OnEndSession(wParam != FALSE);
            return 0;
        case WM_CLOSE:
            OnClose();
            return 0;
        case WM_DESTROY:
            RemoveNotifyIcon();
            return 0;
        case WM_NCDESTROY:
            return OnNcDestroy(wParam, lParam);
        default:
            if (message != 0 && message == m_taskbarCreated && HasNotifyIcon()) {
                AddNotifyIcon();  // the shell restarted and lost the icon
                return 0;
            }
            return DefWindowProcW(m_hwnd, message, wParam, lParam);
    }
}

void Win32WindowView::OnCommandMessage(WPARAM wParam, LPARAM lParam) {
    if (lParam == 0 && HIWORD(wParam) == 0) {
        // The notification-area icon's menu. Enter and Esc (IDOK, IDCANCEL from the dialog
        // keyboard) do nothing.
        if (LOWORD(wParam) == kMenuShow) {
            OnTrayActivated();
        } else if (LOWORD(wParam) == kMenuExit) {
            Forward([this] { m_window.Command1.OperatorClick(); });
        }
        return;
    }
    OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
}

void Win32WindowView::OnPickAfterCloseUp(int id) {
    if (Entry* entry = EntryById(id); entry != nullptr && entry->pickPending) {
        Pick(*entry);
    }
}

LRESULT Win32WindowView::OnStaticColour(HDC dc, HWND control) {
    const bool highContrast = isHighContrast && isHighContrast();
    const auto paint = [dc](int text, int background) {
        SetTextColor(dc, GetSysColor(text));
        SetBkColor(dc, GetSysColor(background));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(background));
    };
    if (control == m_warning) {
        // Under a high-contrast theme the theme's own colours for notes stand in.
        if (highContrast) {
            return paint(COLOR_INFOTEXT, COLOR_INFOBK);
        }
        SetTextColor(dc, kWarningText);
        SetBkColor(dc, kWarningBackground);
        return reinterpret_cast<LRESULT>(m_warningBrush.Get());
    }
    if (control == ControlHandle(m_window.Label33.Name())) {
        // "Please Wait!" in red on the window's own background; in bold alone, in the
        // theme's colours, under a high-contrast theme.
        if (highContrast) {
            return paint(COLOR_BTNTEXT, COLOR_BTNFACE);
        }
        SetTextColor(dc, kWaitText);
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    if (const Entry* list = EntryByHandle(GetParent(control));
        list != nullptr && list->kind == Kind::List && IsWindowEnabled(list->hwnd)) {
        // A list's read-only field looks like the field it stands for, not like a caption.
        return paint(COLOR_WINDOWTEXT, COLOR_WINDOW);
    }
    return DefWindowProcW(m_hwnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                          reinterpret_cast<LPARAM>(control));
}

void Win32WindowView::OnMouseMove(int x) {
    if (onMouseMove) {
        Forward([this, x] { onMouseMove(x); });
    }
}

void Win32WindowView::OnNotifyIcon(UINT mouse) {
    switch (mouse) {
        case WM_LBUTTONUP:
        case WM_LBUTTONDBLCLK:
            OnTrayActivated();
            break;
        case WM_RBUTTONUP:
        case WM_CONTEXTMENU:
            ShowTrayMenu();
            break;
        default:
            break;
    }
}

void Win32WindowView::OnTrayActivated() {
    if (onTrayActivated) {
        Forward(onTrayActivated);
    }
}

void Win32WindowView::OnEndSession(bool ending) {
    if (ending && onEndSession) {
        Forward(onEndSession);
    }
}

void Win32WindowView::OnClose() {
    if (onCloseRequested) {
        Forward(onCloseRequested);
    } else {
        Destroy();
    }
}

LRESULT Win32WindowView::OnNcDestroy(WPARAM wParam, LPARAM lParam) {
    // The system destroyed the children with the window: forget every handle.
    HWND hwnd = m_hwnd;
    m_owner.Release();
    m_hwnd = nullptr;
    for (auto& entry : m_entries) {
        entry->hwnd = nullptr;
    }
    m_warning = nullptr;
    m_toolTips.Release();
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    if (onDestroyed) {
        Forward(onDestroyed);
    }
    return DefWindowProcW(hwnd, WM_NCDESTROY, wParam, lParam);
}

void Win32WindowView::OnCommand(int id, int code, HWND control) {
    Entry* entry = EntryById(id);
    if (entry == nullptr || m_mirroring > 0 || (control != nullptr && control != entry->hwnd)) {
        return;
    }
    if (entry->kind == Kind::List) {
        OnListCommand(*entry, code);
    } else if (code == BN_CLICKED) {
        OnClick(*entry);
    }
}

void Win32WindowView::OnClick(Entry& entry) {
    Control& control = *entry.control;
    switch (entry.kind) {
        case Kind::Button:
            Forward([&control] { static_cast<Button&>(control).OperatorClick(); });
            return;
        case Kind::CheckBox:
            Forward([&control] { static_cast<CheckBox&>(control).OperatorClick(); });
            break;
        case Kind::Option:
            Forward([&control] { static_cast<OptionButton&>(control).OperatorClick(); });
            break;
        default:
            return;
    }
    // Check boxes and options show what the model decided, not a state of their own.
    Mirror(entry, ControlProperty::Value);
}

void Win32WindowView::OnListCommand(Entry& entry, int code) {
    switch (code) {
        case CBN_DROPDOWN:
        case CBN_SELENDCANCEL:
            entry.pickPending = false;
            break;
        case CBN_SELCHANGE:
            // Moving through the open list is no pick yet; a closed list picks now.
            if (SendMessageW(entry.hwnd, CB_GETDROPPEDSTATE, 0, 0) == FALSE) {
                Pick(entry);
            }
            break;
        case CBN_SELENDOK:
            entry.pickPending = true;
            break;
        case CBN_CLOSEUP:
            // A change of selection may still follow the close; pick after it, once.
            if (entry.pickPending) {
                PostMessageW(m_hwnd, kPickAfterCloseUp, static_cast<WPARAM>(entry.id), 0);
            }
            break;
        case CBN_EDITCHANGE: {
            auto& list = static_cast<ComboBox&>(*entry.control);
            if (list.TakesTyping()) {
                Forward([&list, &entry] { list.OperatorEdit(Narrow(TextOf(entry.hwnd))); });
            } else {
                // The field only shows the model's text: whatever wrote into it is undone.
                Mirror(entry, ControlProperty::Text);
            }
            break;
        }
        default:
            break;
    }
}

void Win32WindowView::Pick(Entry& entry) {
    entry.pickPending = false;
    auto& list = static_cast<ComboBox&>(*entry.control);
    const int index = static_cast<int>(SendMessageW(entry.hwnd, CB_GETCURSEL, 0, 0));
    Forward([&list, index] { list.OperatorPick(index); });
    Mirror(entry, ControlProperty::Selection);
}

LRESULT CALLBACK Win32WindowView::ListEditProc(HWND hwnd, UINT message, WPARAM wParam,
                                               LPARAM lParam, UINT_PTR id, DWORD_PTR data) {
    auto* view = reinterpret_cast<Win32WindowView*>(data);
    Entry* entry = view->EntryById(static_cast<int>(id));
    if (entry != nullptr && view->m_mirroring == 0) {
        LRESULT result = 0;
        if (view->OnListField(*entry, message, wParam, result)) {
            return result;
        }
    }
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, &Win32WindowView::ListEditProc, id);
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

void Win32WindowView::RestoreListText(Entry& entry) {
    // The selected entry's own text is a pick on its way (the list's notification follows);
    // anything else goes, and the model's text is shown again. The selection stays.
    const auto index = SendMessageW(entry.hwnd, CB_GETCURSEL, 0, 0);
    const std::wstring shown = TextOf(entry.hwnd);
    if (index >= 0) {
        const auto length =
            SendMessageW(entry.hwnd, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
        std::wstring item(static_cast<std::size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
        SendMessageW(entry.hwnd, CB_GETLBTEXT, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(item.data()));
        item.resize(static_cast<std::size_t>(std::max<LRESULT>(length, 0)));
        if (item == shown) {
            return;
        }
    }
    ++m_mirroring;
    SetTextIfChanged(entry.hwnd, Wide(static_cast<ComboBox&>(*entry.control).Text()));
    --m_mirroring;
}

bool Win32WindowView::OnListField(Entry& entry, UINT message, WPARAM wParam, LRESULT& result) {
    auto& list = static_cast<ComboBox&>(*entry.control);
    const bool picksOnly = !list.TakesTyping();
    switch (message) {
        case WM_CHAR: {
            const auto code = static_cast<wchar_t>(wParam);
            const char key = code < 256 ? static_cast<char>(code) : '?';
            if (!picksOnly || code < L' ' || code == 0x7f) {
                // Backspace, Ctrl+V and the like change nothing in a field that only shows.
                Forward([&list, key] { list.OperatorKeyPress(static_cast<unsigned char>(key)); });
                return false;
            }
            const std::chrono::milliseconds at(GetMessageTime());
            Forward([&list, key, at] { list.OperatorType(key, at); });
            Mirror(entry, ControlProperty::Selection);
            result = 0;
            return true;
        }
        case WM_SETTEXT:
            // Written from outside the view (another program, the list itself on its own
            // account): once that is done, the field shows the model's text again. Moving
            // through the open list may show the entries on the way.
            if (picksOnly && SendMessageW(entry.hwnd, CB_GETDROPPEDSTATE, 0, 0) == FALSE) {
                PostMessageW(m_hwnd, kShowListText, static_cast<WPARAM>(entry.id), 0);
            }
            return false;
        case WM_LBUTTONDOWN:
            if (!picksOnly) {
                return false;
            }
            // A click into the field opens the list, as in a list that only picks.
            SetFocus(entry.hwnd);
            SendMessageW(entry.hwnd, CB_SHOWDROPDOWN, TRUE, 0);
            result = 0;
            return true;
        case WM_KILLFOCUS: {
            // Only a move to another control of this window leaves the list: not its own
            // drop-down, not another window or program.
            HWND next = reinterpret_cast<HWND>(wParam);
            if (next != nullptr && next != entry.hwnd && !IsChild(entry.hwnd, next) &&
                IsChild(m_hwnd, next)) {
                Forward([&list] { list.OperatorLeave(); });
            }
            return false;
        }
        default:
            return false;
    }
}

LRESULT CALLBACK Win32WindowView::ListWheelProc(HWND hwnd, UINT message, WPARAM wParam,
                                                LPARAM lParam, UINT_PTR id, DWORD_PTR) {
    if (message == WM_MOUSEWHEEL) {
        // The wheel turning over a list on its way elsewhere picks nothing; a list the
        // operator is working in still follows the wheel.
        HWND focus = GetFocus();
        if (focus != hwnd && !IsChild(hwnd, focus)) {
            return 0;
        }
    } else if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, &Win32WindowView::ListWheelProc, id);
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

void Win32WindowView::ShowTrayMenu() {
    UniqueMenu menu(CreatePopupMenu());
    if (!menu) {
        return;
    }
    AppendMenuW(menu.Get(), MF_STRING, kMenuShow, L"Show");
    AppendMenuW(menu.Get(), MF_STRING, kMenuExit,
                ButtonCaption(m_window.Command1.Caption()).c_str());
    POINT at{};
    GetCursorPos(&at);
    // The menu closes when the operator clicks elsewhere only while the window is foreground.
    SetForegroundWindow(m_hwnd);
    TrackPopupMenu(menu.Get(), TPM_RIGHTBUTTON, at.x, at.y, 0, m_hwnd, nullptr);
    PostMessageW(m_hwnd, WM_NULL, 0, 0);
}

}  // namespace corvantis
