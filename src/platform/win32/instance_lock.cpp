#include "platform/instance_lock.h"

#include <windows.h>

#include <cstdint>
#include <cwchar>

namespace corvantis {

namespace {
// The mutex of one settings folder in this logon session. Folder names are compared as
// Windows compares them, without letter case; a name may not hold a backslash, so it carries
// a hash of the folder.
std::wstring MutexName(const std::string& settingsFolder) {
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (const char c : settingsFolder) {
        auto byte = static_cast<unsigned char>(c);
        if (byte >= 'A' && byte <= 'Z') {
            byte = static_cast<unsigned char>(byte - 'A' + 'a');
        } else if (byte == '/') {
            byte = '\\';
        }
        hash = (hash ^ byte) * 1099511628211ull;
    }
    wchar_t name[64];
    swprintf(name, 64, L"Local\\Corvantis-%016llx", static_cast<unsigned long long>(hash));
    return name;
}
}  // namespace

InstanceLock::InstanceLock(const std::string& settingsFolder, InstanceMode) {
    HANDLE mutex = CreateMutexW(nullptr, FALSE, MutexName(settingsFolder).c_str());
    if (mutex == nullptr) {
        // Without a mutex nothing can be fought over more than before: run.
        m_held = true;
        return;
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        m_otherMode = InstanceMode::Window;
        return;
    }
    m_handle = reinterpret_cast<std::intptr_t>(mutex);
    m_held = true;
}

InstanceLock::~InstanceLock() {
    if (m_held && m_handle != -1) {
        CloseHandle(reinterpret_cast<HANDLE>(m_handle));
    }
}

}  // namespace corvantis

namespace corvantis {

LockState ProbeInstanceLock(const std::string& settingsFolder) {
    // The mutex exists as long as the copy holding the folder runs; opening it takes nothing.
    HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, MutexName(settingsFolder).c_str());
    if (mutex != nullptr) {
        CloseHandle(mutex);
        return LockState::Held;
    }
    return GetLastError() == ERROR_FILE_NOT_FOUND ? LockState::Free : LockState::Unknown;
}

}  // namespace corvantis
