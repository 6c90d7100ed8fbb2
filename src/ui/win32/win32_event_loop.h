// The window thread's one event loop: window messages and waitable objects in one wait.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

namespace corvantis {

// Runs on the thread that created it. Each round waits with MsgWaitForMultipleObjectsEx for
// a window message or one of the watched objects, then runs the callback of every watched
// object found signalled and dispatches every pending message (through IsDialogMessageW for
// the registered dialog window, so Tab, the arrow keys, Enter and Esc move and press as in a
// dialog). Callbacks run one at a time, never nested inside each other by the loop.
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

    void DispatchMessages();

    std::vector<std::shared_ptr<Watched>> m_watched;
    WatchId m_nextId = 1;
    HWND m_dialog = nullptr;
    bool m_quit = false;
    int m_exitCode = 0;
};

}  // namespace corvantis
