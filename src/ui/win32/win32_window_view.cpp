#include "ui/win32/win32_window_view.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "platform/failure.h"
#include "platform/win32/win32_error.h"
#include "ui/win32/control_ids.h"
#include "ui/win32/resources/resource_ids.h"
#include "ui/win32/win32_dpi.h"
#include "ui/win32/win32_view_parts.h"

namespace corvantis {
namespace {

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

// The control ID `id` as CreateWindowExW takes it for a child window.
HMENU ChildId(int id) {
    return reinterpret_cast<HMENU>(static_cast<INT_PTR>(id));
}

// The window class, styles and first height of one kind of control.
struct ChildStyle {
    const wchar_t* windowClass = WC_STATICW;
    DWORD style = WS_CHILD;
    DWORD exStyle = 0;
    int height = 0;
};

ChildStyle ChildStyleOf(ControlKind kind, DWORD align, bool firstOption) {
    ChildStyle child;
    switch (kind) {
        case ControlKind::Label:
            child.style |= align | SS_NOPREFIX;
            break;
        case ControlKind::Frame:
            child.windowClass = WC_BUTTONW;
            child.style |= BS_GROUPBOX;
            break;
        case ControlKind::Button:
            child.windowClass = WC_BUTTONW;
            child.style |= BS_PUSHBUTTON | WS_TABSTOP;
            break;
        case ControlKind::CheckBox:
            // Not automatic: the model decides the state, the box shows it.
            child.windowClass = WC_BUTTONW;
            child.style |= BS_3STATE | WS_TABSTOP;
            break;
        case ControlKind::Option:
            child.windowClass = WC_BUTTONW;
            child.style |= BS_RADIOBUTTON | WS_TABSTOP | (firstOption ? WS_GROUP : 0);
            break;
        case ControlKind::TextBox:
            child.windowClass = WC_EDITW;
            child.style |= ES_READONLY | ES_AUTOHSCROLL | WS_TABSTOP;
            child.exStyle |= WS_EX_CLIENTEDGE;
            break;
        case ControlKind::List:
            child.windowClass = WC_COMBOBOXW;
            child.style |= CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP;
            child.height = 200;
            break;
    }
    // Each tab stop after a non-tab-stop starts a group, so arrow keys stay inside a control.
    if (kind != ControlKind::Label && kind != ControlKind::Frame && kind != ControlKind::Option) {
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

DWORD AlignOf(const LayoutCell* cell) {
    switch (cell == nullptr ? CellAlign::Left : cell->align) {
        case CellAlign::Center:
            return SS_CENTER;
        case CellAlign::Right:
            return SS_RIGHT;
        case CellAlign::Left:
            break;
    }
    return SS_LEFT;
}

}  // namespace

[[noreturn]] void ThrowLastError() {
    const DWORD code = GetLastError();
    throw Failure(static_cast<int>(code), SystemErrorText(code));
}

std::wstring Wide(const std::string& text) {
    std::wstring wide(text.size(), L'\0');
    std::transform(text.begin(), text.end(), wide.begin(),
                   [](char c) { return static_cast<wchar_t>(static_cast<unsigned char>(c)); });
    return wide;
}

std::string ToLatin1(const std::wstring& text) {
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

ControlKind KindOf(const Control& control) {
    if (dynamic_cast<const Frame*>(&control) != nullptr) {
        return ControlKind::Frame;
    }
    if (dynamic_cast<const Button*>(&control) != nullptr) {
        return ControlKind::Button;
    }
    if (dynamic_cast<const CheckBox*>(&control) != nullptr) {
        return ControlKind::CheckBox;
    }
    if (dynamic_cast<const OptionButton*>(&control) != nullptr) {
        return ControlKind::Option;
    }
    if (dynamic_cast<const TextBox*>(&control) != nullptr) {
        return ControlKind::TextBox;
    }
    if (dynamic_cast<const ComboBox*>(&control) != nullptr) {
        return ControlKind::List;
    }
    return ControlKind::Label;
}

Win32WindowView::Win32WindowView(Window& window, HINSTANCE instance)
    : isHighContrast(&SystemHighContrast),
      workAreas(&SystemWorkAreas),
      m_window(window),
      m_instance(instance),
      m_layout(DescribeWindowLayout(window)),
      m_self(std::make_shared<Win32WindowView*>(this)) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    LoadIcons();
    RegisterWindowClass();
    m_warningBrush.Reset(CreateSolidBrush(kWarningBackground));
    MakeEntries();
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

void Win32WindowView::MakeEntries() {
    for (const LayoutGroup& group : m_layout.groups) {
        std::vector<std::pair<Control*, const LayoutCell*>> controls;
        if (group.frame != nullptr) {
            controls.emplace_back(group.frame, nullptr);
        }
        for (const LayoutRow& row : group.rows) {
            for (const LayoutCell& cell : row.cells) {
                if (cell.control != nullptr) {
                    controls.emplace_back(cell.control, &cell);
                }
            }
        }
        for (const auto& [control, cell] : controls) {
            auto made = std::make_unique<Entry>();
            made->control = control;
            made->kind = KindOf(*control);
            made->cell = cell;
            made->id = win32ids::ControlIdOf(control->Name());
            m_byId[made->id] = made.get();
            m_byControl[control] = made.get();
            m_entries.push_back(std::move(made));
        }
    }
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
        entry.kind == ControlKind::Option && static_cast<OptionButton&>(control).Index() == 0;
    const ChildStyle child = ChildStyleOf(entry.kind, AlignOf(entry.cell), firstOption);
    entry.hwnd = CreateWindowExW(child.exStyle, child.windowClass, L"", child.style, 0, 0, 10,
                                 child.height, m_hwnd, ChildId(entry.id), m_instance, nullptr);
    if (entry.hwnd == nullptr) {
        ThrowLastError();
    }
    if (entry.kind == ControlKind::List) {
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

}  // namespace corvantis
