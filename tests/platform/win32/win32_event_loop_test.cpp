#include "platform/win32/win32_event_loop.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace corvantis {
namespace {

// An event object closed with the test.
struct Event {
    explicit Event(bool manualReset = false)
        : handle(CreateEventW(nullptr, manualReset, FALSE, nullptr)) {}
    ~Event() { CloseHandle(handle); }
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;
    void Set() { SetEvent(handle); }
    HANDLE handle;
};

TEST(Win32EventLoopTest, RunEndsWithTheCodeOfQuitOrOfWmQuit) {
    {
        Win32EventLoop loop;
        Event event;
        loop.Watch(event.handle, [&] { loop.Quit(7); });
        event.Set();
        EXPECT_EQ(loop.Run(), 7);
    }
    {
        Win32EventLoop loop;
        PostQuitMessage(3);
        EXPECT_EQ(loop.Run(), 3);
    }
}

TEST(Win32EventLoopTest, EverySignalledObjectRunsOncePerRoundInOrder) {
    Win32EventLoop loop;
    Event first(true), second(true), quiet;
    std::vector<int> ran;
    loop.Watch(first.handle, [&] { ran.push_back(1); });
    loop.Watch(quiet.handle, [&] { ran.push_back(0); });
    loop.Watch(second.handle, [&] { ran.push_back(2); });
    first.Set();
    second.Set();
    // Both stay signalled (manual reset): the first may not starve the second.
    ASSERT_TRUE(loop.RunOnce(1000));
    ASSERT_TRUE(loop.RunOnce(1000));
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 1, 2}));
}

TEST(Win32EventLoopTest, AnAutoResetSignalRunsItsCallbackOnce) {
    Win32EventLoop loop;
    Event event;
    int ran = 0;
    loop.Watch(event.handle, [&] { ++ran; });
    event.Set();
    loop.RunOnce(1000);
    loop.RunOnce(50);
    EXPECT_EQ(ran, 1);
}

TEST(Win32EventLoopTest, UnwatchInsideACallbackStopsItAndTheOthersGoOn) {
    Win32EventLoop loop;
    Event self(true), other(true);
    int selfRan = 0, otherRan = 0;
    Win32EventLoop::WatchId id = 0;
    id = loop.Watch(self.handle, [&] {
        ++selfRan;
        loop.Unwatch(id);
    });
    loop.Watch(other.handle, [&] { ++otherRan; });
    self.Set();
    other.Set();
    for (int round = 0; round < 3; ++round) {
        loop.RunOnce(1000);
    }
    EXPECT_EQ(selfRan, 1);
    EXPECT_EQ(otherRan, 3);
    loop.Unwatch(id);  // unknown by now: ignored
    loop.Unwatch(0);
}

TEST(Win32EventLoopTest, WatchingBeyondTheSystemLimitIsRefused) {
    Win32EventLoop loop;
    std::vector<std::unique_ptr<Event>> events;
    for (std::size_t i = 0; i < Win32EventLoop::kMaxWatched; ++i) {
        events.push_back(std::make_unique<Event>());
        EXPECT_NE(loop.Watch(events.back()->handle, [] {}), 0);
    }
    Event one_more;
    EXPECT_EQ(loop.Watch(one_more.handle, [] {}), 0);
}

// A message-only window that counts what reaches its procedure.
class CountingWindow {
public:
    CountingWindow() {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &CountingWindow::Procedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"CorvantisLoopTest";
        RegisterClassW(&windowClass);
        m_window = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                   nullptr, windowClass.hInstance, nullptr);
    }
    ~CountingWindow() { DestroyWindow(m_window); }
    HWND Handle() const { return m_window; }
    static inline int received = 0;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
        if (message == WM_APP) {
            ++received;
            return 0;
        }
        return DefWindowProcW(window, message, w, l);
    }
    HWND m_window;
};

TEST(Win32EventLoopTest, MessagesAreDispatchedAlsoWithADialogWindowRegistered) {
    Win32EventLoop loop;
    CountingWindow window, dialog;
    loop.SetDialogWindow(dialog.Handle());
    CountingWindow::received = 0;
    PostMessageW(window.Handle(), WM_APP, 0, 0);
    PostMessageW(window.Handle(), WM_APP, 0, 0);
    ASSERT_TRUE(loop.RunOnce(1000));
    EXPECT_EQ(CountingWindow::received, 2);
}

TEST(Win32EventLoopTest, TheFeedbackWaitsEventPassRunsWhatIsDueWithoutWaiting) {
    Win32EventLoop loop;
    Win32LoopEventWait wait(loop);
    Event event;
    int ran = 0;
    loop.Watch(event.handle, [&] { ++ran; });
    wait.ProcessPendingEvents();  // nothing due: returns at once
    EXPECT_EQ(ran, 0);
    event.Set();
    wait.ProcessPendingEvents();
    EXPECT_EQ(ran, 1);
}

// What a button click runs: the procedure of a window that runs a modal loop.
class ModalWindow {
public:
    explicit ModalWindow(std::function<void()> onClick) : m_onClick(std::move(onClick)) {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &ModalWindow::Procedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"CorvantisModalTest";
        RegisterClassW(&windowClass);
        m_window = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                   nullptr, windowClass.hInstance, nullptr);
        SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~ModalWindow() { DestroyWindow(m_window); }
    HWND Handle() const { return m_window; }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
        auto* self = reinterpret_cast<ModalWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self != nullptr && message == WM_APP) {
            self->m_onClick();
            return 0;
        }
        return DefWindowProcW(window, message, w, l);
    }
    std::function<void()> m_onClick;
    HWND m_window;
};

// A message box runs a loop of its own inside the handler that shows it; the watched
// objects (the timers above all) keep their turn meanwhile.
TEST(Win32EventLoopTest, AModalLoopInsideAMessageHandlerKeepsTheWatchedObjectsRunning) {
    Win32EventLoop loop;
    Event event;
    int ranInsideModal = 0;
    bool modal = false;
    loop.Watch(event.handle, [&] { ranInsideModal += modal ? 1 : 0; });
    ModalWindow window([&] {
        // What MessageBox does until the operator answers: GetMessage and DispatchMessage.
        modal = true;
        const auto end = GetTickCount64() + 300;
        event.Set();
        while (GetTickCount64() < end) {
            MSG message{};
            if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                DispatchMessageW(&message);
                if (ranInsideModal == 1) {
                    event.Set();  // once more, to see it is not a one-off
                }
            } else {
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
            }
        }
        modal = false;
    });
    PostMessageW(window.Handle(), WM_APP, 0, 0);
    loop.RunOnce(1000);
    EXPECT_EQ(ranInsideModal, 2);
}

}  // namespace
}  // namespace corvantis
