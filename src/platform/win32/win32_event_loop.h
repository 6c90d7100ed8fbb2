// The window thread's one event loop: window messages and waitable objects in one wait.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

#include "platform/win32/win32_event_wait.h"

namespace corvantis {

// Runs on the thread that created it. Each round waits with MsgWaitForMultipleObjectsEx for
// a window message or one of the watched objects, then runs the callback of every watched
// object found signalled and dispatches every pending message (through IsDialogMessageW for
// the registered dialog window, so Tab, the arrow keys, Enter and Esc move and press as in a
// dialog). Callbacks run one at a time, never nested inside each other by the loop.
//
// A modal loop that runs inside a message handler (a message box after a click, a menu, a
// dialog) does not stop the watched objects: while it runs, a thread timer every few
// milliseconds gives them their turn, so timer ticks go on (a little less exactly) as they
// do in the modal loops of other toolkits. Callbacks of watched objects are meant to show no
// modal box; one that does holds the other objects until it ends.
class Win32EventLoop {
public:
    using WatchId = int;

    // At most this many objects can be watched at once (one slot of the system's limit is
    // the message queue's).
    static constexpr std::size_t kMaxWatched = MAXIMUM_WAIT_OBJECTS - 1;

    Win32EventLoop() = default;
    Win32EventLoop(const Win32EventLoop&) = delete;
    Win32EventLoop& operator=(const Win32EventLoop&) = delete;

    // Runs `onSignalled` each time a round finds `object` signalled. The wait consumes the
    // signal of an auto-reset object; a manual-reset object that stays signalled runs its
    // callback once per round. The caller keeps `object` open until it calls Unwatch.
    // Returns an id for Unwatch, or 0 when kMaxWatched objects are already watched.
    WatchId Watch(HANDLE object, std::function<void()> onSignalled);
    // Stops watching; safe inside any callback, including the object's own. Unknown ids and
    // 0 are ignored.
    void Unwatch(WatchId id);

    // The dialog-like top-level window whose keyboard messages go through IsDialogMessageW
    // (nullptr for none). The window must be registered again if it is re-created.
    void SetDialogWindow(HWND window) { m_dialog = window; }

    // Asks Run to return `exitCode` once the current callback or message has been handled.
    void Quit(int exitCode);
    bool QuitRequested() const { return m_quit; }

    // Runs rounds until Quit or a WM_QUIT message (PostQuitMessage); returns the exit code
    // given to either.
    int Run();

    // One round: waits up to `timeoutMs` (INFINITE for no limit) for a message or a watched
    // object, then handles whatever is ready. False when the wait failed.
    bool RunOnce(DWORD timeoutMs);

private:
    struct Watched {
        WatchId id = 0;
        HANDLE object = nullptr;
        std::function<void()> onSignalled;
        bool active = true;
    };

    class Handling;

    void DispatchMessages();
    // Runs the callback of every watched object signalled now, without waiting.
    void RunSignalled();
    static void CALLBACK ModalPump(HWND, UINT, UINT_PTR, DWORD);

    std::vector<std::shared_ptr<Watched>> m_watched;
    WatchId m_nextId = 1;
    HWND m_dialog = nullptr;
    bool m_quit = false;
    int m_exitCode = 0;
    int m_handling = 0;        // callbacks and messages being handled, nested
    UINT_PTR m_modalPump = 0;  // the thread timer while m_handling > 0
};

// The clock feedback's wait on this loop: the tick count and the blocking wait of
// Win32EventWait; its event pass is one round of the loop that does not wait, so messages,
// timer ticks and console input that came meanwhile run inside it, as in the event pass of
// the other toolkits (a timer's tick never inside itself).
class Win32LoopEventWait final : public EventWait {
public:
    // `loop` must outlive the object.
    explicit Win32LoopEventWait(Win32EventLoop& loop) : m_loop(loop) {}

    std::uint32_t TickCount() override { return m_wait.TickCount(); }
    std::int32_t Wait(std::uint32_t count, const std::int32_t* handles,
                      std::int32_t timeoutMs) override {
        return m_wait.Wait(count, handles, timeoutMs);
    }
    void ProcessPendingEvents() override { m_loop.RunOnce(0); }

private:
    Win32EventLoop& m_loop;
    Win32EventWait m_wait;
};

}  // namespace corvantis
