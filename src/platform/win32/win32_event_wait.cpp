#include "platform/win32/win32_event_wait.h"

#include <vector>

#include <windows.h>

namespace corvantis {

std::uint32_t Win32EventWait::TickCount() {
    return GetTickCount();
}

std::int32_t Win32EventWait::Wait(std::uint32_t count, const std::int32_t* handles,
                                  std::int32_t timeoutMs) {
    std::vector<HANDLE> objects;
    objects.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        objects.push_back(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(handles[i])));
    }
    const DWORD timeout = timeoutMs < 0 ? 0 : static_cast<DWORD>(timeoutMs);
    const DWORD result = MsgWaitForMultipleObjects(
        count, objects.empty() ? nullptr : objects.data(), FALSE, timeout, 0);
    if (result == WAIT_FAILED) {
        return -1;
    }
    return static_cast<std::int32_t>(result);
}

void Win32EventWait::ProcessPendingEvents() {
    MSG message{};
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

}  // namespace corvantis
