#include "ui/win32/win32_window_host.h"

#include "ui/win32/win32_window_view.h"

namespace corvantis {

Win32WindowHost::Win32WindowHost(Win32WindowView& view, std::function<void(int)> quit)
    : m_view(view), m_quit(std::move(quit)) {}

void Win32WindowHost::ShowWindow() {
    m_view.Show();
}

void Win32WindowHost::RemoveNotifyIcon() {
    m_view.RemoveNotifyIcon();
}

void Win32WindowHost::UnloadWindow() {
    if (m_unloading) {
        return;
    }
    m_unloading = true;
    m_view.Destroy();
    if (m_quit) {
        m_quit(0);
    }
}

void Win32WindowHost::EndProgram() {
    if (m_quit) {
        m_quit(0);
    }
}

}  // namespace corvantis
