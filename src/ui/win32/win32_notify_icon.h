// The program's icon in the notification area, through Shell_NotifyIconW.
#pragma once

#include <windows.h>
// Needs the types of windows.h.
#include <shellapi.h>

#include <string>

namespace corvantis {

class Win32NotifyIcon {
public:
    // `owner` receives `callbackMessage` for the icon's mouse events, with the mouse message
    // (WM_LBUTTONUP, ...) in lParam. The icon is not shown until Add.
    Win32NotifyIcon(HWND owner, UINT callbackMessage);
    // Removes the icon when it is shown.
    ~Win32NotifyIcon();
    Win32NotifyIcon(const Win32NotifyIcon&) = delete;
    Win32NotifyIcon& operator=(const Win32NotifyIcon&) = delete;

    // Shows `icon` (not owned; it must outlive the icon shown) with `toolTip` (cut to 127
    // characters). Also after the shell restarted (call again on "TaskbarCreated"). Returns
    // whether the shell took it.
    bool Add(HICON icon, const std::wstring& toolTip);
    // Removes the icon; harmless when none is shown.
    void Remove();
    bool Shown() const { return m_shown; }

private:
    NOTIFYICONDATAW Record() const;

    HWND m_owner;
    UINT m_callbackMessage;
    bool m_shown = false;
};

}  // namespace corvantis
