#include "ui/win32/win32_window_view.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <chrono>

#include "ui/win32/win32_handles.h"
#include "ui/win32/win32_view_parts.h"

namespace corvantis {
namespace {

// Tray menu commands, outside the controls' ID range.
constexpr UINT kMenuShow = 0x7001;
constexpr UINT kMenuExit = 0x7002;

// "Please Wait!" in red.
constexpr COLORREF kWaitText = RGB(0xb0, 0x1e, 0x1e);

}  // namespace

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
            Forward([this] { m_window.closeAndExit.OperatorClick(); });
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
    if (control == ControlHandle(m_window.pleaseWait.Name())) {
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
        list != nullptr && list->kind == ControlKind::List && IsWindowEnabled(list->hwnd)) {
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
    if (entry->kind == ControlKind::List) {
        OnListCommand(*entry, code);
    } else if (code == BN_CLICKED) {
        OnClick(*entry);
    }
}

void Win32WindowView::OnClick(Entry& entry) {
    Control& control = *entry.control;
    switch (entry.kind) {
        case ControlKind::Button:
            Forward([&control] { static_cast<Button&>(control).OperatorClick(); });
            return;
        case ControlKind::CheckBox:
            Forward([&control] { static_cast<CheckBox&>(control).OperatorClick(); });
            break;
        case ControlKind::Option:
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
                Forward([&list, &entry] { list.OperatorEdit(ToLatin1(TextOf(entry.hwnd))); });
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
                ButtonCaption(m_window.closeAndExit.Caption()).c_str());
    POINT at{};
    GetCursorPos(&at);
    // The menu closes when the operator clicks elsewhere only while the window is foreground.
    SetForegroundWindow(m_hwnd);
    TrackPopupMenu(menu.Get(), TPM_RIGHTBUTTON, at.x, at.y, 0, m_hwnd, nullptr);
    PostMessageW(m_hwnd, WM_NULL, 0, 0);
}

}  // namespace corvantis
