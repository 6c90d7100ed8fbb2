#include "platform/win32/win32_paths.h"

#include <windows.h>

namespace corvantis {

std::wstring WidePath(const std::string& path) {
    if (path.empty()) {
        return {};
    }
    const int size = static_cast<int>(path.size());
    const int length = MultiByteToWideChar(CP_ACP, 0, path.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, path.data(), size, wide.data(), length);
    return wide;
}

std::string NarrowPath(const std::wstring& path) {
    if (path.empty()) {
        return {};
    }
    const int size = static_cast<int>(path.size());
    const int length =
        WideCharToMultiByte(CP_ACP, 0, path.data(), size, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, path.data(), size, narrow.data(), length, nullptr, nullptr);
    return narrow;
}

std::optional<std::wstring> FinalPathOf(const std::wstring& path) {
    // No access asked for: only the name is wanted, so a file another program holds opens
    // too. Backup semantics lets a folder be opened.
    HANDLE handle =
        CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    std::wstring final(MAX_PATH, L'\0');
    DWORD length = 0;
    for (;;) {
        length = GetFinalPathNameByHandleW(handle, final.data(), static_cast<DWORD>(final.size()),
                                           FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length < final.size()) {
            break;
        }
        final.resize(length + 1);  // too small: the length asked for, with its terminator
    }
    CloseHandle(handle);
    if (length == 0) {
        return std::nullopt;
    }
    final.resize(length);
    const std::wstring prefix = L"\\\\?\\";
    if (final.rfind(prefix, 0) == 0 && final.size() >= prefix.size() + 2 &&
        final[prefix.size() + 1] == L':') {
        final.erase(0, prefix.size());
    }
    return final;
}

}  // namespace corvantis
