// What the files of the Win32 view share: one control's child window (Entry), the texts
// between the model's 8-bit text and wide characters, and the window's messages to itself.
// Private to the view's own files.
#pragma once

#include <windows.h>

#include <string>
#include <utility>

#include "form/controls.h"
#include "form/handler_guard.h"
#include "form/window_layout.h"
#include "ui/win32/win32_window_view.h"

namespace corvantis {

// Messages of the window to itself.
inline constexpr UINT kNotifyIconMessage = WM_APP + 1;  // the notification-area icon's mouse
inline constexpr UINT kPickAfterCloseUp = WM_APP + 2;   // wParam: a list whose drop-down closed
inline constexpr UINT kShowListText = WM_APP + 3;       // wParam: a list whose field was written to

// The warning line's colours.
inline constexpr COLORREF kWarningText = RGB(0x4a, 0x35, 0x00);
inline constexpr COLORREF kWarningBackground = RGB(0xff, 0xf4, 0xce);

// SetWindowPos flags for a new place or size that changes nothing else.
inline constexpr UINT kMoveOnly = SWP_NOZORDER | SWP_NOACTIVATE;

enum class ControlKind { Label, Frame, Button, CheckBox, Option, TextBox, List };

// The kind of child window that shows `control`.
ControlKind KindOf(const Control& control);

// One control of the model and its child window.
struct Win32WindowView::Entry {
    Control* control = nullptr;
    ControlKind kind = ControlKind::Label;
    const LayoutCell* cell = nullptr;  // its place in the layout
    int id = 0;
    HWND hwnd = nullptr;       // owned by the top-level window
    bool pickPending = false;  // lists: a choice made in the open drop-down, not yet picked
};

// Raises Failure with the calling thread's last Win32 error.
[[noreturn]] void ThrowLastError();

// 8-bit text (one byte a character) and wide text, both ways; '?' beyond 8 bits.
std::wstring Wide(const std::string& text);
std::string ToLatin1(const std::wstring& text);

std::wstring TextOf(HWND hwnd);
// Sets the text of `hwnd` only where it differs, so a selection in it stays.
void SetTextIfChanged(HWND hwnd, const std::wstring& text);
// Buttons, check boxes and frames read "&" as a mnemonic marker; a caption means it
// literally.
std::wstring ButtonCaption(const std::string& caption);

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

template <class Action>
void Win32WindowView::Forward(Action&& action) noexcept {
    CatchEverything(std::forward<Action>(action), [this](const std::exception& failure) {
        ReportToView(failure, onFailure, m_status.get());
    });
}

}  // namespace corvantis
