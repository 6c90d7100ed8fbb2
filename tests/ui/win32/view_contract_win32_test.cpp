// The view contract kept by the Win32 view, under wine; the operator's actions are the
// messages a person's clicks produce, as a test driver sends them.
#include "ui/win32/win32_window_view.h"

#include <commctrl.h>

#include "ui/view_contract.h"
#include "ui/win32/control_ids.h"

namespace corvantis::testing {
namespace {

std::string TextOf(HWND hwnd) {
    wchar_t text[512] = {};
    SendMessageW(hwnd, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text));
    std::string narrow;
    for (const wchar_t* c = text; *c != L'\0'; ++c) {
        narrow += static_cast<char>(*c);
    }
    return narrow;
}

std::wstring ClassOf(HWND hwnd) {
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, static_cast<int>(std::size(name)));
    return name;
}

class Win32ViewBackend {
public:
    explicit Win32ViewBackend(Window& window) : m_view(window) {}

    void Show() { m_view.Show(); }
    bool Drawn(const std::string& name) {
        return (GetWindowLongPtrW(Child(name), GWL_STYLE) & WS_VISIBLE) != 0;
    }
    std::string Shown(const std::string& name) { return TextOf(Child(name)); }
    int Value(const std::string& name) {
        HWND hwnd = Child(name);
        if (ClassOf(hwnd) == L"ComboBox") {
            return static_cast<int>(SendMessageW(hwnd, CB_GETCURSEL, 0, 0));
        }
        return static_cast<int>(SendMessageW(hwnd, BM_GETCHECK, 0, 0));
    }
    // The dialog manager's own order: what Tab visits.
    std::vector<std::string> TabOrder() {
        std::vector<std::string> order;
        HWND top = m_view.Handle();
        HWND first = GetNextDlgTabItem(top, nullptr, FALSE);
        for (HWND at = first; at != nullptr && order.size() < 100;) {
            for (const auto& entry : win32ids::kControlIds) {
                if (entry.id == GetDlgCtrlID(at)) {
                    order.emplace_back(entry.name);
                }
            }
            at = GetNextDlgTabItem(top, at, FALSE);
            if (at == first) {
                break;
            }
        }
        return order;
    }
    void Click(const std::string& name) { SendMessageW(Child(name), BM_CLICK, 0, 0); }
    void Pick(const std::string& name, int index) {
        HWND combo = Child(name);
        SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageW(m_view.Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(combo));
    }

private:
    HWND Child(const std::string& name) {
        HWND hwnd = m_view.ControlHandle(name);
        EXPECT_NE(hwnd, nullptr) << name;
        return hwnd;
    }

    Win32WindowView m_view;
};

INSTANTIATE_TYPED_TEST_SUITE_P(Win32, ViewContract, Win32ViewBackend);

}  // namespace
}  // namespace corvantis::testing
