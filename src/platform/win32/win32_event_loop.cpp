#include "platform/win32/win32_event_loop.h"

#include <algorithm>

namespace corvantis {

namespace {

// How often a modal loop that runs inside one of this loop's callbacks (a message box, a
// menu, a dialog) hands the watched objects their turn.
constexpr UINT kModalPumpMs = 10;

// The loop whose callback is running on this thread, for the modal pump.
thread_local Win32EventLoop* t_handlingLoop = nullptr;

}  // namespace

// While a message of this loop is being handled, a thread timer runs; its WM_TIMER is only
// seen when some other message loop (a modal one) runs meanwhile, and then gives the watched
// objects their turn there. The watched objects' own callbacks (timer ticks) go without it:
// they show no modal boxes, and a tick's path to the wire stays free of the extra call.
class Win32EventLoop::Handling {
public:
    explicit Handling(Win32EventLoop& loop) : m_loop(loop), m_previous(t_handlingLoop) {
        if (m_loop.m_handling++ == 0) {
            t_handlingLoop = &m_loop;
            m_loop.m_modalPump = SetTimer(nullptr, 0, kModalPumpMs, &Win32EventLoop::ModalPump);
        }
    }
    ~Handling() {
        if (--m_loop.m_handling == 0) {
            if (m_loop.m_modalPump != 0) {
                KillTimer(nullptr, m_loop.m_modalPump);
                m_loop.m_modalPump = 0;
            }
            t_handlingLoop = m_previous;
        }
    }
    Handling(const Handling&) = delete;
    Handling& operator=(const Handling&) = delete;

private:
    Win32EventLoop& m_loop;
    Win32EventLoop* m_previous;
};

void CALLBACK Win32EventLoop::ModalPump(HWND, UINT, UINT_PTR, DWORD) {
    if (Win32EventLoop* loop = t_handlingLoop) {
        loop->RunSignalled();
    }
}

void Win32EventLoop::RunSignalled() {
    const std::vector<std::shared_ptr<Watched>> round = m_watched;
    for (const auto& watched : round) {
        if (m_quit) {
            return;
        }
        if (watched->active && WaitForSingleObject(watched->object, 0) == WAIT_OBJECT_0) {
            watched->onSignalled();
        }
    }
}

Win32EventLoop::WatchId Win32EventLoop::Watch(HANDLE object, std::function<void()> onSignalled) {
    if (m_watched.size() >= kMaxWatched) {
        return 0;
    }
    auto watched = std::make_shared<Watched>();
    watched->id = m_nextId++;
    watched->object = object;
    watched->onSignalled = std::move(onSignalled);
    m_watched.push_back(watched);
    return watched->id;
}

void Win32EventLoop::Unwatch(WatchId id) {
    const auto found = std::find_if(m_watched.begin(), m_watched.end(),
                                    [id](const auto& watched) { return watched->id == id; });
    if (found == m_watched.end()) {
        return;
    }
    // A round may hold the entry while its callback runs; it only sees the flag.
    (*found)->active = false;
    m_watched.erase(found);
}

void Win32EventLoop::Quit(int exitCode) {
    if (!m_quit) {
        m_quit = true;
        m_exitCode = exitCode;
    }
}

int Win32EventLoop::Run() {
    while (!m_quit) {
        if (!RunOnce(INFINITE)) {
            // The wait itself failed (an object closed under the loop): keep the window
            // alive on messages alone rather than spin.
            MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
            DispatchMessages();
        }
    }
    return m_exitCode;
}

bool Win32EventLoop::RunOnce(DWORD timeoutMs) {
    // The round works on a copy, so callbacks may watch and unwatch freely.
    const std::vector<std::shared_ptr<Watched>> round = m_watched;
    std::vector<HANDLE> objects;
    objects.reserve(round.size());
    for (const auto& watched : round) {
        objects.push_back(watched->object);
    }
    const DWORD count = static_cast<DWORD>(objects.size());
    const DWORD result =
        MsgWaitForMultipleObjectsEx(count, objects.empty() ? nullptr : objects.data(), timeoutMs,
                                    QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (result == WAIT_FAILED) {
        return false;
    }
    if (result < WAIT_OBJECT_0 + count) {
        // The wait reports the lowest signalled index and consumed its signal; the others
        // are asked in turn so a busy object cannot starve the ones after it.
        const DWORD first = result - WAIT_OBJECT_0;
        for (DWORD i = first; i < count && !m_quit; ++i) {
            const bool signalled =
                i == first || WaitForSingleObject(objects[i], 0) == WAIT_OBJECT_0;
            if (signalled && round[i]->active) {
                round[i]->onSignalled();
            }
        }
    }
    if (!m_quit) {
        DispatchMessages();
    }
    return true;
}

void Win32EventLoop::DispatchMessages() {
    MSG message{};
    while (!m_quit && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            Quit(static_cast<int>(message.wParam));
            return;
        }
        if (m_dialog != nullptr && IsWindow(m_dialog)) {
            const Handling handling(*this);
            if (IsDialogMessageW(m_dialog, &message)) {
                continue;
            }
        }
        const Handling handling(*this);
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

}  // namespace corvantis
