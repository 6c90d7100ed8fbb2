// The message boxes the Windows program shows, as a user sees them: titled "Corvantis", the
// error number in the text.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32/win32_message_dialog.h"

#include <windows.h>

namespace corvantis {
namespace {

struct SeenBox {
    std::wstring title;
    std::wstring text;
};
SeenBox g_seen;
HHOOK g_hook = nullptr;

// Reads the box as it comes up, then presses its OK button.
LRESULT CALLBACK WatchBox(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        const HWND box = reinterpret_cast<HWND>(wParam);
        wchar_t buffer[512] = {};
        GetWindowTextW(box, buffer, 512);
        g_seen.title = buffer;
        constexpr int kMessageTextId = 0xFFFF;
        GetDlgItemTextW(box, kMessageTextId, buffer, 512);
        g_seen.text = buffer;
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
    return CallNextHookEx(g_hook, code, wParam, lParam);
}

TEST(Win32MessageDialogTest, BoxesAreTitledCorvantisWithTheNumberInTheText) {
    const struct {
        const char* text;
        const char* heading;
        const wchar_t* title;
        const wchar_t* shown;
    } rows[] = {
        {"Invalid port number", "8002", L"Corvantis", L"Invalid port number (error 8002)"},
        {"Please check your comm settings", "ERROR", L"Corvantis",
         L"Please check your comm settings"},
    };
    g_hook = SetWindowsHookExW(WH_CBT, WatchBox, nullptr, GetCurrentThreadId());
    ASSERT_NE(g_hook, nullptr);
    Win32MessageDialog dialog;
    for (const auto& row : rows) {
        g_seen = {};
        dialog.Show(row.text, row.heading, MessageIcon::Critical);
        EXPECT_EQ(g_seen.title, row.title);
        EXPECT_EQ(g_seen.text, row.shown);
    }
    UnhookWindowsHookEx(g_hook);
}

}  // namespace
}  // namespace corvantis
