#include "platform/instance_lock.h"

#include <windows.h>

#include "platform/win32/win32_paths.h"

#include <cstdint>
#include <cwchar>
#include <optional>
#include <string>

namespace corvantis {

namespace {

// The folder's identity on its volume: the volume's serial number and the folder's file
// index, read from an opened handle. No spelling changes it, links included (where the final
// path of a handle may still name the link, as under wine). Nothing when the folder cannot be
// opened or its file system gives no index.
std::optional<std::wstring> FolderIdentity(const std::wstring& folder) {
    HANDLE handle = CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const BOOL read = GetFileInformationByHandle(handle, &info);
    CloseHandle(handle);
    if (!read || (info.nFileIndexHigh == 0 && info.nFileIndexLow == 0)) {
        return std::nullopt;
    }
    wchar_t identity[64];
    swprintf(identity, 64, L"volume %08lx file %08lx%08lx", info.dwVolumeSerialNumber,
             info.nFileIndexHigh, info.nFileIndexLow);
    return identity;
}

// The one name of a settings folder however it is spelled: its identity on its volume; for a
// folder without one, the final path of the opened folder (".", "..", short names and trailing
// separators resolved) or, for a folder that cannot be opened, its full path without trailing
// separators; a path in upper case, as the file system compares names.
std::wstring CanonicalFolder(const std::string& settingsFolder) {
    const std::wstring wide = WidePath(settingsFolder);
    if (auto identity = FolderIdentity(wide)) {
        return *identity;
    }
    std::wstring canonical;
    if (auto final = FinalPathOf(wide)) {
        canonical = *final;
    } else {
        const DWORD length = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
        canonical.assign(length, L'\0');
        const DWORD written =
            length == 0 ? 0 : GetFullPathNameW(wide.c_str(), length, canonical.data(), nullptr);
        canonical.resize(written < length ? written : 0);
        if (canonical.empty()) {
            canonical = wide;
        }
        for (wchar_t& c : canonical) {
            c = c == L'/' ? L'\\' : c;
        }
        while (canonical.size() > 3 && canonical.back() == L'\\') {
            canonical.pop_back();
        }
    }
    if (!canonical.empty()) {
        CharUpperBuffW(canonical.data(), static_cast<DWORD>(canonical.size()));
    }
    return canonical;
}

// The mutex of one settings folder in this logon session. A name may not hold a backslash,
// so it carries a hash of the folder's canonical name.
std::wstring MutexName(const std::string& settingsFolder) {
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a over the UTF-16 units
    for (const wchar_t c : CanonicalFolder(settingsFolder)) {
        const auto unit = static_cast<std::uint16_t>(c);
        hash = (hash ^ (unit & 0xFFu)) * 1099511628211ull;
        hash = (hash ^ (unit >> 8)) * 1099511628211ull;
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
