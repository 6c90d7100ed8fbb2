// The message boxes the Windows program shows, as a user sees them: titled "Corvantis", the
// error number in the text.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "platform/win32/win32_message_dialog.h"

#include <windows.h>

namespace corvantis {
namespace {

struct SeenBox {
    std::wstring title;
    std::wstring text;
};

// Finds the box `thread` shows once its text is in, reads it, then presses its OK button.
class BoxReader {
public:
    explicit BoxReader(DWORD thread)
        : m_watch([this, thread] {
              while (!m_done) {
                  EnumThreadWindows(thread, &BoxReader::Visit, reinterpret_cast<LPARAM>(this));
                  Sleep(20);
              }
          }) {}
    ~BoxReader() {
        m_done = true;
        m_watch.join();
    }
    SeenBox Take() {
        std::lock_guard<std::mutex> lock(m_mutex);
        SeenBox seen = m_seen;
        m_seen = {};
        return seen;
    }

private:
    static BOOL CALLBACK Visit(HWND window, LPARAM self) {
        wchar_t name[64] = {};
        GetClassNameW(window, name, 64);
        if (std::wstring(name) != L"#32770" || !IsWindowVisible(window)) {
            return TRUE;
        }
        constexpr int kMessageTextId = 0xFFFF;
        wchar_t text[512] = {};
        wchar_t title[512] = {};
        GetDlgItemTextW(window, kMessageTextId, text, 512);
        GetWindowTextW(window, title, 512);
        if (text[0] == L'\0') {
            return TRUE;
        }
        auto* reader = reinterpret_cast<BoxReader*>(self);
        {
            std::lock_guard<std::mutex> lock(reader->m_mutex);
            reader->m_seen = {title, text};
        }
        PostMessageW(window, WM_COMMAND, IDOK, 0);
        return FALSE;
    }

    std::mutex m_mutex;
    SeenBox m_seen;
    std::atomic<bool> m_done{false};
    std::thread m_watch;
};

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
    BoxReader reader(GetCurrentThreadId());
    Win32MessageDialog dialog;
    for (const auto& row : rows) {
        dialog.Show(row.text, row.heading, MessageIcon::Critical);
        const SeenBox seen = reader.Take();
        EXPECT_EQ(seen.title, row.title);
        EXPECT_EQ(seen.text, row.shown);
    }
}

}  // namespace
}  // namespace corvantis
