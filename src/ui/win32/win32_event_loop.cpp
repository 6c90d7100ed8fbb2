#include "ui/win32/win32_event_loop.h"

#include <algorithm>

namespace corvantis {

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
        if (m_dialog != nullptr && IsWindow(m_dialog) && IsDialogMessageW(m_dialog, &message)) {
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

}  // namespace corvantis
