#include "ui/win32/win32_window_view.h"

#include <algorithm>
#include <memory>

#include "ui/win32/win32_view_parts.h"

namespace corvantis {
namespace {

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

}  // namespace

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
        case ControlKind::Label:
            SetWindowTextW(entry.hwnd,
                           Wide(static_cast<CaptionedControl&>(control).Caption()).c_str());
            break;
        case ControlKind::Frame:
        case ControlKind::Button:
            SetWindowTextW(
                entry.hwnd,
                ButtonCaption(static_cast<CaptionedControl&>(control).Caption()).c_str());
            break;
        case ControlKind::CheckBox: {
            auto& box = static_cast<CheckBox&>(control);
            SetWindowTextW(entry.hwnd, ButtonCaption(box.Caption()).c_str());
            SendMessageW(entry.hwnd, BM_SETCHECK, CheckStateOf(box.Value()), 0);
            break;
        }
        case ControlKind::Option: {
            auto& option = static_cast<OptionButton&>(control);
            SetWindowTextW(entry.hwnd, ButtonCaption(option.Caption()).c_str());
            SendMessageW(entry.hwnd, BM_SETCHECK, option.Value() ? BST_CHECKED : BST_UNCHECKED, 0);
            break;
        }
        case ControlKind::TextBox:
            // Unchanged text is left alone so a running clock does not undo a selection.
            SetTextIfChanged(entry.hwnd, Wide(static_cast<TextBox&>(control).Text()));
            break;
        case ControlKind::List:
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

}  // namespace corvantis
