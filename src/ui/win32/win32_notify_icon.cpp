#include "ui/win32/win32_notify_icon.h"

#include <shellapi.h>

namespace corvantis {
namespace {
// The one icon this program shows.
constexpr UINT kIconId = 1;
}  // namespace

Win32NotifyIcon::Win32NotifyIcon(HWND owner, UINT callbackMessage)
    : m_owner(owner), m_callbackMessage(callbackMessage) {}

Win32NotifyIcon::~Win32NotifyIcon() {
    Remove();
}

NOTIFYICONDATAW Win32NotifyIcon::Record() const {
    NOTIFYICONDATAW record{};
    record.cbSize = sizeof(record);
    record.hWnd = m_owner;
    record.uID = kIconId;
    return record;
}

bool Win32NotifyIcon::Add(HICON icon, const std::wstring& toolTip) {
    NOTIFYICONDATAW record = Record();
    record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    record.uCallbackMessage = m_callbackMessage;
    record.hIcon = icon;
    lstrcpynW(record.szTip, toolTip.c_str(), static_cast<int>(std::size(record.szTip)));
    // After a shell restart the old icon is gone: add again. An icon still shown is updated.
    if (m_shown && Shell_NotifyIconW(NIM_MODIFY, &record)) {
        return true;
    }
    m_shown = Shell_NotifyIconW(NIM_ADD, &record) != FALSE;
    return m_shown;
}

void Win32NotifyIcon::Remove() {
    if (!m_shown) {
        return;
    }
    NOTIFYICONDATAW record = Record();
    Shell_NotifyIconW(NIM_DELETE, &record);
    m_shown = false;
}

}  // namespace corvantis
