#include "platform/win32/win32_event_wait.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <vector>

#include <windows.h>

namespace corvantis {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Waits are measured with generous upper bounds: the machine may be busy, but a wait must
// never end early.
constexpr milliseconds kSlack{2000};
constexpr milliseconds kTickGranularity{16};

milliseconds Since(Clock::time_point start) {
    return std::chrono::duration_cast<milliseconds>(Clock::now() - start);
}

std::int32_t AsHandleValue(HANDLE handle) {
    return static_cast<std::int32_t>(reinterpret_cast<INT_PTR>(handle));
}

// A message-only window that counts the messages dispatched to it.
class CountingWindow {
public:
    CountingWindow() {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = &CountingWindow::Procedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = kClassName;
        RegisterClassA(&windowClass);
        m_window = CreateWindowExA(0, kClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   windowClass.hInstance, nullptr);
        SetWindowLongPtrA(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~CountingWindow() { DestroyWindow(m_window); }
    CountingWindow(const CountingWindow&) = delete;
    CountingWindow& operator=(const CountingWindow&) = delete;

    HWND Handle() const { return m_window; }
    int posted = 0;  // kPing messages dispatched
    int timers = 0;  // WM_TIMER messages dispatched

    static constexpr UINT kPing = WM_APP + 1;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<CountingWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self != nullptr && message == kPing) {
            ++self->posted;
            return 0;
        }
        if (self != nullptr && message == WM_TIMER) {
            ++self->timers;
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

    static constexpr const char* kClassName = "CorvantisCountingWindow";
    HWND m_window = nullptr;
};

TEST(Win32EventWaitTest, TickCountAdvancesWithTime) {
    Win32EventWait wait;
    const std::uint32_t start = wait.TickCount();
    Sleep(100);
    const std::uint32_t elapsed = wait.TickCount() - start;  // modulo 2^32, as the tick wraps

    EXPECT_GE(elapsed, 100u - kTickGranularity.count());
    EXPECT_LT(elapsed, static_cast<std::uint32_t>((milliseconds(100) + kSlack).count()));
}

class Win32EventWaitTimeoutTest : public ::testing::TestWithParam<int> {};

TEST_P(Win32EventWaitTimeoutTest, WaitWithoutHandlesLastsItsTimeout) {
    const milliseconds timeout{GetParam()};
    Win32EventWait wait;
    const auto start = Clock::now();

    EXPECT_EQ(wait.Wait(0, nullptr, static_cast<std::int32_t>(timeout.count())),
              EventWait::kWaitTimeout);

    const milliseconds took = Since(start);
    EXPECT_GE(took, timeout - kTickGranularity);
    EXPECT_LT(took, timeout + kSlack);
}

// A negative time-out returns at once.
INSTANTIATE_TEST_SUITE_P(Timeouts, Win32EventWaitTimeoutTest,
                         ::testing::Values(-5, 0, 50, 100, 250));

TEST(Win32EventWaitTest, WindowInputDoesNotEndTheWait) {
    CountingWindow window;
    Win32EventWait wait;
    PostMessageA(window.Handle(), CountingWindow::kPing, 0, 0);
    const auto start = Clock::now();

    EXPECT_EQ(wait.Wait(0, nullptr, 100), EventWait::kWaitTimeout);

    EXPECT_GE(Since(start), milliseconds(100) - kTickGranularity);
    EXPECT_EQ(window.posted, 0) << "the wait handles no events";
    wait.ProcessPendingEvents();
    EXPECT_EQ(window.posted, 1);
}

TEST(Win32EventWaitTest, SignalledHandleEndsTheWaitWithItsIndex) {
    const HANDLE idle = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    const HANDLE signalled = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    ASSERT_NE(idle, nullptr);
    ASSERT_NE(signalled, nullptr);
    const std::vector<std::int32_t> handles{AsHandleValue(idle), AsHandleValue(signalled)};
    Win32EventWait wait;
    const auto start = Clock::now();

    EXPECT_EQ(wait.Wait(2, handles.data(), 10000), 1);

    EXPECT_LT(Since(start), kSlack);
    CloseHandle(idle);
    CloseHandle(signalled);
}

TEST(Win32EventWaitTest, RefusedWaitReturnsMinusOne) {
    const std::int32_t notAHandle = 0x7ffffff0;
    Win32EventWait wait;

    EXPECT_EQ(wait.Wait(1, &notAHandle, 100), -1);
}

TEST(Win32EventWaitTest, EventPassDispatchesEveryPendingMessageAndTimer) {
    CountingWindow window;
    Win32EventWait wait;
    for (int i = 0; i < 3; ++i) {
        PostMessageA(window.Handle(), CountingWindow::kPing, 0, 0);
    }
    SetTimer(window.Handle(), 1, 10, nullptr);
    Sleep(50);

    wait.ProcessPendingEvents();

    EXPECT_EQ(window.posted, 3);
    EXPECT_GE(window.timers, 1);
    KillTimer(window.Handle(), 1);
}

TEST(Win32EventWaitTest, QuitIsLeftForTheMainLoop) {
    CountingWindow window;
    Win32EventWait wait;
    PostQuitMessage(7);

    wait.ProcessPendingEvents();
    PostMessageA(window.Handle(), CountingWindow::kPing, 0, 0);
    wait.ProcessPendingEvents();

    EXPECT_EQ(window.posted, 1) << "messages posted before the quit are still handled";
    MSG message{};
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(message.wParam, 7u);
}

}  // namespace
}  // namespace corvantis
