#include "ui/win32/win32_window_view.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

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

// Tray menu commands, outside the controls' ID range.
constexpr UINT kMenuShow = 0x7001;
constexpr UINT kMenuExit = 0x7002;

// Layout constants, in dialog units.
constexpr int kMargin = 7;
constexpr int kFrameX = kMargin;
constexpr int kFrameWidth = 256;
constexpr int kFrameCaption = 12;  // room above the frame's first row
constexpr int kFrameBottom = 6;
constexpr int kRightX = kFrameX + kFrameWidth + 10;
constexpr int kRightWidth = 196;
constexpr int kClientWidth = kRightX + kRightWidth + kMargin;
constexpr int kDropDownHeight = 120;  // open list of a drop-down, beneath its edit field
constexpr int kBoxChrome = 10;        // pixels at 96 DPI around a text box's characters
// Clock replies are shown up to 36 characters at a time; one more keeps the caret clear.
constexpr int kMessageColumns = 37;

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
    : m_window(window), m_instance(instance), m_self(std::make_shared<Win32WindowView*>(this)) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    const int big = GetSystemMetrics(SM_CXICON);
    const int small = GetSystemMetrics(SM_CXSMICON);
    m_bigIcon.Reset(static_cast<HICON>(LoadImageW(m_instance, MAKEINTRESOURCEW(IDI_CORVANTIS),
                                                  IMAGE_ICON, big, big, LR_DEFAULTCOLOR)));
    m_smallIcon.Reset(static_cast<HICON>(LoadImageW(m_instance, MAKEINTRESOURCEW(IDI_CORVANTIS),
                                                    IMAGE_ICON, small, small, LR_DEFAULTCOLOR)));

    static const ATOM windowClass = [this] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = &Win32WindowView::WindowProc;
        wc.hInstance = m_instance;
        wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
        wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
        wc.lpszClassName = win32ids::kMainWindowClass;
        return RegisterClassExW(&wc);
    }();
    if (windowClass == 0) {
        const DWORD code = GetLastError();
        throw Failure(static_cast<int>(code), SystemErrorText(code));
    }

    m_warningBrush.Reset(CreateSolidBrush(RGB(0xff, 0xf4, 0xce)));
    BuildLayout();

    // No WS_CLIPCHILDREN: a group box draws no background of its own and relies on the
    // window's beneath it.
    constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;
    const std::wstring caption = Wide(kWindowCaption);
    HWND hwnd =
        CreateWindowExW(kExStyle, win32ids::kMainWindowClass, caption.c_str(), kStyle,
                        CW_USEDEFAULT, CW_USEDEFAULT, 640, 480, nullptr, nullptr, m_instance, this);
    if (hwnd == nullptr) {
        const DWORD code = GetLastError();
        throw Failure(static_cast<int>(code), SystemErrorText(code));
    }
    m_owner.Reset(hwnd);
    if (m_bigIcon) {
        SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_bigIcon.Get()));
    }
    if (m_smallIcon) {
        SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon.Get()));
    }
    m_toolTips.Reset(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                     WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                     CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd, nullptr,
                                     m_instance, nullptr));
    m_status = std::make_unique<StatusLineImpl>(*this);
    m_notifyIcon = std::make_unique<Win32NotifyIcon>(hwnd, kNotifyIconMessage);
    m_taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    try {
        CreateControls();
    } catch (...) {
        // The window goes while every member it reaches still exists.
        Destroy();
        throw;
    }
    ApplyDpi(DpiForWindow(hwnd));
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
    TOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = m_hwnd;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
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
    HICON icon = m_smallIcon ? m_smallIcon.Get() : LoadIconW(nullptr, MAKEINTRESOURCEW(32512));
    return m_notifyIcon->Add(icon, Wide(kWindowCaption));
}

void Win32WindowView::RemoveNotifyIcon() {
    if (m_notifyIcon) {
        m_notifyIcon->Remove();
    }
}

void Win32WindowView::Forward(const std::function<void()>& action) {
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

// ---- Layout ------------------------------------------------------------------------------

void Win32WindowView::BuildLayout() {
    Window& w = m_window;
    auto entry = [this](Control& control, Kind kind, Look look = Look::Normal,
                        DWORD align = SS_LEFT) {
        auto made = std::make_unique<Entry>();
        made->control = &control;
        made->kind = kind;
        made->look = look;
        made->align = align;
        made->id = win32ids::ControlIdOf(control.Name());
        Entry* raw = made.get();
        m_byId[raw->id] = raw;
        m_entries.push_back(std::move(made));
        return raw;
    };
    auto label = [&](Label& l, Look look = Look::Normal, DWORD align = SS_LEFT) {
        return entry(l, Kind::Label, look, align);
    };
    auto list = [&](ComboBox& c) { return entry(c, Kind::List); };
    auto check = [&](CheckBox& c) { return entry(c, Kind::CheckBox); };
    auto button = [&](Button& b) { return entry(b, Kind::Button); };
    auto box = [&](TextBox& t) { return entry(t, Kind::TextBox); };

    // Header: title, version, maker's line.
    Block header{kMargin, kClientWidth - 2 * kMargin, {}};
    header.rows.push_back({14,
                           {{label(w.Label6, Look::Title), 0, 300, 13},
                            {label(w.Label2, Look::Normal, SS_RIGHT), 362, 100, 8, 2}}});
    header.rows.push_back({14, {{label(w.Label5), 0, 360, 8}}});
    m_blocks.push_back(std::move(header));

    // The display rules.
    Block rules{kFrameX, kFrameWidth, {}, entry(w.Frame1, Kind::Frame)};
    rules.rows.push_back({14, {{check(w.Check7), 8, 200, 10}}});
    auto pair = [&](Label& l, ComboBox& c) {
        return Row{16, {{label(l), 8, 128, 8, 2}, {list(c), 140, 52, 12}}};
    };
    rules.rows.push_back(pair(w.Label15, w.HourOffset));
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
        rules.rows.push_back({14, {{label(rule.title, Look::Bold), 8, 200, 8, 4}}});
        // Captions above their lists; the sentence reads across: occurrence, weekday, "of",
        // month, "or", day of the month.
        rules.rows.push_back({10,
                              {{label(rule.occurrenceCaption), 16, 48, 8},
                               {label(rule.weekdayCaption), 68, 52, 8},
                               {label(rule.dayCaption), 178, 72, 8}}});
        rules.rows.push_back({16,
                              {{list(rule.occurrence), 16, 48, 12},
                               {list(rule.weekday), 68, 40, 12},
                               {label(rule.of, Look::Normal, SS_CENTER), 108, 14, 8, 2},
                               {list(rule.month), 122, 40, 12},
                               {label(rule.orCaption, Look::Normal, SS_CENTER), 162, 16, 8, 2},
                               {list(rule.day), 178, 36, 12}}});
    }
    rules.rows.push_back({4, {}, true});
    rules.rows.push_back(pair(w.Label16, w.Combo13));
    rules.rows.push_back(pair(w.Label17, w.Combo14));
    rules.rows.push_back({18, {{button(w.UseZone), 8, 184, 14, 2}}});
    rules.rows.push_back({10, {{label(w.Label12), 8, 240, 8}}});
    rules.rows.push_back({10, {{label(w.Label32), 8, 240, 8}}});
    m_blocks.push_back(std::move(rules));

    // The serial line: broadcast switch, port, clock addresses and the commands.
    Block link{kRightX, kRightWidth, {}};
    link.rows.push_back({14, {{check(w.Check8), 0, 120, 10, 4}}});
    link.rows.push_back({14, {{check(w.Check2), 0, 120, 10}}});
    auto port = [&](Label& l, ComboBox& c, int listX = 150) {
        return Row{16, {{label(l), 0, listX - 4, 8, 2}, {list(c), listX, kRightWidth - listX, 12}}};
    };
    link.rows.push_back(port(w.Label10, w.Combo2));
    link.rows.push_back(port(w.Label11, w.SerialRate, 110));
    link.rows.push_back(port(w.Label1, w.Combo1));
    link.rows.push_back(port(w.Label34, w.CurrAddress));
    link.rows.push_back(port(w.Label35, w.NewAddress));
    link.rows.push_back({4, {}, true});
    link.rows.push_back({18, {{button(w.SendAddr), 0, kRightWidth, 14}}});
    link.rows.push_back({18, {{button(w.Command2), 0, kRightWidth, 14}}});
    link.rows.push_back({18,
                         {{button(w.Command3), 0, 62, 14},
                          {button(w.Command5), 66, 62, 14},
                          {button(w.Command6), 132, 64, 14}}});
    link.rows.push_back(
        {14, {{label(w.Label33, Look::Wait, SS_CENTER), 0, kRightWidth, 10, 2}}, true});
    link.rows.push_back({14,
                         {{entry(w.Option1[0], Kind::Option), 0, 40, 10},
                          {entry(w.Option1[1], Kind::Option), 44, 50, 10}}});
    link.rows.push_back({14, {{check(w.Check1), 0, kRightWidth, 10}}});
    link.rows.push_back(port(w.Label4, w.UDPaddress, 110));
    link.rows.push_back(port(w.Label9, w.UDPrate, 110));
    link.rows.push_back(port(w.Label13, w.Combo3));
    link.rows.push_back(port(w.Label14, w.Combo4));
    for (CheckBox* c : {&w.Check3, &w.Check4, &w.Check5, &w.Check6, &w.AutoStart}) {
        link.rows.push_back({14, {{check(*c), 0, kRightWidth, 10}}});
    }
    link.rows.push_back({18, {{button(w.Command4), 0, 80, 14}}});
    m_blocks.push_back(std::move(link));

    // What goes over the line: the PC's time beside the message sent, the clock's reply
    // beneath the message so the two line up character by character.
    Block traffic{kMargin, kClientWidth - 2 * kMargin, {}};
    constexpr int kRight = 166;
    traffic.rows.push_back({10, {{label(w.Label8), 0, 150, 8}, {label(w.Label3), kRight, 150, 8}}});
    traffic.rows.push_back({16,
                            {{box(w.txtPCtime), 0, 150, 12},
                             {box(w.txtLocalTime), 0, 150, 12},
                             {box(w.Text1), kRight, 0, 12, 0, kMessageColumns}}});
    traffic.rows.push_back(
        {10, {{label(w.Label7), 0, 150, 8}, {label(w.Label25), kRight, 200, 8}}, true});
    traffic.rows.push_back({16,
                            {{box(w.txtGPStime), 0, 150, 12},
                             {box(w.Text3), kRight, 0, 12, 0, kMessageColumns},
                             {box(w.Text4), -1, 0, 12, 0, 3}},
                            true});
    traffic.rows.push_back({10, {{label(w.Label24), 0, 300, 8}}});
    traffic.rows.push_back({16, {{box(w.Text2), 0, 300, 12}}});
    m_blocks.push_back(std::move(traffic));

    // The way out, beside the warning line (placed by Relayout).
    entry(w.Command1, Kind::Button);
}

void Win32WindowView::CreateControls() {
    for (auto& entry : m_entries) {
        CreateControl(*entry);
    }
    m_warning = CreateWindowExW(
        0, WC_STATICW, L"", WS_CHILD | SS_LEFT | SS_NOPREFIX, 0, 0, 0, 0, m_hwnd,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(win32ids::kWarningLine)), m_instance, nullptr);
    for (auto& entry : m_entries) {
        Observe(*entry);
    }
    MirrorAll();
}

void Win32WindowView::CreateControl(Entry& entry) {
    Control& control = *entry.control;
    const wchar_t* windowClass = WC_STATICW;
    DWORD style = WS_CHILD;
    DWORD exStyle = 0;
    int height = 0;
    switch (entry.kind) {
        case Kind::Label:
            style |= entry.align | SS_NOPREFIX;
            break;
        case Kind::Frame:
            windowClass = WC_BUTTONW;
            style |= BS_GROUPBOX;
            break;
        case Kind::Button:
            windowClass = WC_BUTTONW;
            style |= BS_PUSHBUTTON | WS_TABSTOP;
            break;
        case Kind::CheckBox:
            // Not automatic: the model decides the state, the box shows it.
            windowClass = WC_BUTTONW;
            style |= BS_3STATE | WS_TABSTOP;
            break;
        case Kind::Option:
            windowClass = WC_BUTTONW;
            style |= BS_RADIOBUTTON | WS_TABSTOP;
            if (static_cast<OptionButton&>(control).Index() == 0) {
                style |= WS_GROUP;
            }
            break;
        case Kind::TextBox:
            windowClass = WC_EDITW;
            style |= ES_READONLY | ES_AUTOHSCROLL | WS_TABSTOP;
            exStyle |= WS_EX_CLIENTEDGE;
            break;
        case Kind::List:
            windowClass = WC_COMBOBOXW;
            style |= CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP;
            height = 200;
            break;
    }
    // Each tab stop after a non-tab-stop starts a group, so arrow keys stay inside a control.
    if (entry.kind != Kind::Label && entry.kind != Kind::Frame && entry.kind != Kind::Option) {
        style |= WS_GROUP;
    }
    entry.hwnd = CreateWindowExW(exStyle, windowClass, L"", style, 0, 0, 10, height, m_hwnd,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(entry.id)),
                                 m_instance, nullptr);
    if (entry.hwnd == nullptr) {
        const DWORD code = GetLastError();
        throw Failure(static_cast<int>(code), SystemErrorText(code));
    }
    if (entry.kind == Kind::List) {
        SetWindowSubclass(entry.hwnd, &Win32WindowView::ListWheelProc,
                          static_cast<UINT_PTR>(entry.id), reinterpret_cast<DWORD_PTR>(this));
        // Keys and the focus leaving arrive at the list's edit field.
        COMBOBOXINFO info{};
        info.cbSize = sizeof(info);
        if (GetComboBoxInfo(entry.hwnd, &info) && info.hwndItem != nullptr) {
            SetWindowSubclass(info.hwndItem, &Win32WindowView::ListEditProc,
                              static_cast<UINT_PTR>(entry.id), reinterpret_cast<DWORD_PTR>(this));
        }
    }
    if (!control.ToolTip().empty() && m_toolTips) {
        TOOLINFOW tool{};
        tool.cbSize = TTTOOLINFOW_V2_SIZE;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = m_hwnd;
        tool.uId = reinterpret_cast<UINT_PTR>(entry.hwnd);
        std::wstring text = Wide(control.ToolTip());
        tool.lpszText = text.data();
        SendMessageW(m_toolTips.Get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
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
                    SendMessageW(entry.hwnd, BM_SETCHECK,
                                 option.Value() ? BST_CHECKED : BST_UNCHECKED, 0);
                    break;
                }
                case Kind::TextBox: {
                    // Unchanged text is left alone so a running clock does not undo a
                    // selection.
                    const std::wstring text = Wide(static_cast<TextBox&>(control).Text());
                    if (TextOf(entry.hwnd) != text) {
                        SetWindowTextW(entry.hwnd, text.c_str());
                    }
                    break;
                }
                case Kind::List:
                    MirrorList(entry);
                    break;
            }
    }
    --m_mirroring;
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
    const std::wstring text = Wide(list.Text());
    if (TextOf(hwnd) != text) {
        SetWindowTextW(hwnd, text.c_str());
    }
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
    LOGFONTW message = MessageFontForDpi(dpi);
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

    // Dialog base units of the message font, as the dialog manager computes them.
    {
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

    ++m_mirroring;
    for (auto& entry : m_entries) {
        SendMessageW(entry->hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(*entry)), FALSE);
    }
    SendMessageW(m_warning, WM_SETFONT, reinterpret_cast<WPARAM>(m_font.Get()), FALSE);
    if (m_toolTips) {
        SendMessageW(m_toolTips.Get(), WM_SETFONT, reinterpret_cast<WPARAM>(m_font.Get()), FALSE);
    }
    --m_mirroring;

    if (suggested != nullptr) {
        SetWindowPos(m_hwnd, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    Relayout();
    InvalidateRect(m_hwnd, nullptr, TRUE);
}

void Win32WindowView::Relayout() {
    if (m_hwnd == nullptr || m_entries.empty()) {
        return;
    }
    const auto px = [this](int dluX) { return MulDiv(dluX, m_baseX, 4); };
    const auto py = [this](int dluY) { return MulDiv(dluY, m_baseY, 8); };
    const int chrome = MulDiv(kBoxChrome, static_cast<int>(m_dpi), USER_DEFAULT_SCREEN_DPI);
    int right = px(kClientWidth - kMargin);

    // Places one block's rows from `top` (pixels); returns the bottom of its last row.
    auto place = [&](const Block& block, int top) {
        int y = top;
        for (const Row& row : block.rows) {
            bool shown = row.keepRoom;
            for (const Placement& cell : row.cells) {
                shown = shown || cell.entry->control->Visible();
            }
            int previousRight = px(block.x);
            for (const Placement& cell : row.cells) {
                const int x = cell.x < 0 ? previousRight + px(4) : px(block.x + cell.x);
                // Edges rounded once, so neighbours in dialog units stay neighbours.
                int width = px(block.x + cell.x + cell.width) - px(block.x + cell.x);
                if (cell.columns > 0) {
                    width = cell.columns * m_fixedCharWidth + chrome;
                }
                int height = py(cell.dy + cell.height) - py(cell.dy);
                if (cell.entry->kind == Kind::List) {
                    height += py(kDropDownHeight);  // the open list beneath the edit field
                }
                SetWindowPos(cell.entry->hwnd, nullptr, x, y + py(cell.dy), width, height,
                             SWP_NOZORDER | SWP_NOACTIVATE);
                previousRight = x + width;
                right = std::max(right, x + width);
            }
            if (shown) {
                y += py(row.height);
            }
        }
        return y;
    };

    int y = py(kMargin);
    y = place(m_blocks[0], y) + py(4);
    // The frame and the serial-line column side by side.
    const Block& rules = m_blocks[1];
    const int frameTop = y;
    const int frameBottom = place(rules, frameTop + py(kFrameCaption)) + py(kFrameBottom);
    SetWindowPos(rules.frame->hwnd, nullptr, px(rules.x), frameTop, px(rules.width),
                 frameBottom - frameTop, SWP_NOZORDER | SWP_NOACTIVATE);
    const int linkBottom = place(m_blocks[2], frameTop);
    y = std::max(frameBottom, linkBottom) + py(8);
    y = place(m_blocks[3], y) + py(6);

    // The warning line and "Close and Exit" at the right edge, beneath everything.
    Entry& exit = *m_entries.back();
    const int exitWidth = px(80);
    const int exitX = right - exitWidth;
    SetWindowPos(exit.hwnd, nullptr, exitX, y + py(4), exitWidth, py(14),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(m_warning, nullptr, px(kMargin), y, exitX - px(8) - px(kMargin), py(20),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    y += py(22) + py(kMargin);

    RECT client{0, 0, right + px(kMargin), y};
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(m_hwnd, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(m_hwnd, GWL_EXSTYLE));
    const RECT frame = WindowRectForClient(client, style, exStyle, m_dpi);
    int width = frame.right - frame.left;
    int height = frame.bottom - frame.top;
    SetWindowPos(m_hwnd, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
    // Where the frame is not drawn at this DPI yet (the system moves the window to a monitor
    // of that DPI only afterwards), make up the difference once.
    RECT got{};
    GetClientRect(m_hwnd, &got);
    if (got.right != client.right || got.bottom != client.bottom) {
        width += client.right - got.right;
        height += client.bottom - got.bottom;
        SetWindowPos(m_hwnd, nullptr, 0, 0, width, height,
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
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
    return view->Handle(message, wParam, lParam);
}

LRESULT Win32WindowView::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND hwnd = m_hwnd;
    switch (message) {
        case WM_COMMAND:
            if (lParam == 0 && HIWORD(wParam) == 0) {
                // The notification-area icon's menu. Enter and Esc (IDOK, IDCANCEL from the
                // dialog keyboard) do nothing.
                if (LOWORD(wParam) == kMenuShow && onTrayActivated) {
                    Forward(onTrayActivated);
                } else if (LOWORD(wParam) == kMenuExit) {
                    Forward([this] { m_window.Command1.OperatorClick(); });
                }
                return 0;
            }
            OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
            return 0;
        case kPickAfterCloseUp:
            if (Entry* entry = EntryById(static_cast<int>(wParam));
                entry != nullptr && entry->pickPending) {
                Pick(*entry);
            }
            return 0;
        case WM_CTLCOLORSTATIC: {
            HWND control = reinterpret_cast<HWND>(lParam);
            HDC dc = reinterpret_cast<HDC>(wParam);
            if (control == m_warning) {
                SetTextColor(dc, RGB(0x4a, 0x35, 0x00));
                SetBkColor(dc, RGB(0xff, 0xf4, 0xce));
                return reinterpret_cast<LRESULT>(m_warningBrush.Get());
            }
            if (control == ControlHandle(m_window.Label33.Name())) {
                // "Please Wait!" in red on the window's own background.
                SetTextColor(dc, RGB(0xb0, 0x1e, 0x1e));
                SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
                return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
            }
            return DefWindowProcW(hwnd, message, wParam, lParam);
        }
        case WM_MOUSEMOVE:
            if (onMouseMove) {
                const int x = GET_X_LPARAM(lParam);
                Forward([this, x] { onMouseMove(x); });
            }
            return 0;
        case kNotifyIconMessage:
            switch (static_cast<UINT>(lParam)) {
                case WM_LBUTTONUP:
                case WM_LBUTTONDBLCLK:
                    if (onTrayActivated) {
                        Forward(onTrayActivated);
                    }
                    break;
                case WM_RBUTTONUP:
                case WM_CONTEXTMENU:
                    ShowTrayMenu();
                    break;
                default:
                    break;
            }
            return 0;
        case WM_DPICHANGED:
            ApplyDpi(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
            return 0;
        case WM_ENDSESSION:
            if (wParam != FALSE && onEndSession) {
                Forward(onEndSession);
            }
            return 0;
        case WM_CLOSE:
            if (onCloseRequested) {
                Forward(onCloseRequested);
            } else {
                Destroy();
            }
            return 0;
        case WM_DESTROY:
            if (m_notifyIcon) {
                m_notifyIcon->Remove();
            }
            return 0;
        case WM_NCDESTROY: {
            // The system destroyed the children with the window: forget every handle.
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
            return DefWindowProcW(hwnd, message, wParam, lParam);
        }
        default:
            if (message != 0 && message == m_taskbarCreated && HasNotifyIcon()) {
                AddNotifyIcon();  // the shell restarted and lost the icon
                return 0;
            }
            return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

void Win32WindowView::OnCommand(int id, int code, HWND control) {
    Entry* entry = EntryById(id);
    if (entry == nullptr || m_mirroring > 0 || (control != nullptr && control != entry->hwnd)) {
        return;
    }
    switch (entry->kind) {
        case Kind::Button:
            if (code == BN_CLICKED) {
                auto& button = static_cast<Button&>(*entry->control);
                Forward([&button] { button.OperatorClick(); });
            }
            break;
        case Kind::CheckBox:
            if (code == BN_CLICKED) {
                auto& box = static_cast<CheckBox&>(*entry->control);
                Forward([&box] { box.OperatorClick(); });
                Mirror(*entry, ControlProperty::Value);
            }
            break;
        case Kind::Option:
            if (code == BN_CLICKED) {
                auto& option = static_cast<OptionButton&>(*entry->control);
                Forward([&option] { option.OperatorClick(); });
                Mirror(*entry, ControlProperty::Value);
            }
            break;
        case Kind::List: {
            auto& list = static_cast<ComboBox&>(*entry->control);
            switch (code) {
                case CBN_DROPDOWN:
                    entry->pickPending = false;
                    break;
                case CBN_SELCHANGE:
                    // Moving through the open list is no pick yet; a closed list picks now.
                    if (SendMessageW(entry->hwnd, CB_GETDROPPEDSTATE, 0, 0) == FALSE) {
                        Pick(*entry);
                    }
                    break;
                case CBN_SELENDOK:
                    entry->pickPending = true;
                    break;
                case CBN_SELENDCANCEL:
                    entry->pickPending = false;
                    break;
                case CBN_CLOSEUP:
                    // A change of selection may still follow the close; pick after it, once.
                    if (entry->pickPending) {
                        PostMessageW(m_hwnd, kPickAfterCloseUp, static_cast<WPARAM>(entry->id), 0);
                    }
                    break;
                case CBN_EDITCHANGE: {
                    std::string text = Narrow(TextOf(entry->hwnd));
                    Forward([&list, &text] { list.OperatorEdit(text); });
                    break;
                }
                default:
                    break;
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
        auto& list = static_cast<ComboBox&>(*entry->control);
        if (message == WM_CHAR) {
            const auto code = static_cast<wchar_t>(wParam);
            const int key = code < 256 ? static_cast<int>(code) : '?';
            view->Forward([&list, key] { list.OperatorKeyPress(key); });
        } else if (message == WM_KILLFOCUS) {
            // Only a move to another control of this window leaves the list: not its own
            // drop-down, not another window or program.
            HWND next = reinterpret_cast<HWND>(wParam);
            if (next != nullptr && next != entry->hwnd && !IsChild(entry->hwnd, next) &&
                IsChild(view->m_hwnd, next)) {
                view->Forward([&list] { list.OperatorLeave(); });
            }
        }
    }
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, &Win32WindowView::ListEditProc, id);
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
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
