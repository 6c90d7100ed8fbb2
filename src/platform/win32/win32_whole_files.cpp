#include "platform/win32/win32_whole_files.h"

#include <cstdio>
#include <random>

#include "platform/win32/win32_error.h"
#include "platform/win32/win32_paths.h"

#include <windows.h>

namespace corvantis {

namespace {

constexpr wchar_t kTemporaryMark[] = L".tmp-";
constexpr std::size_t kSuffixLength = 16;
constexpr int kReplaceAttempts = 5;
constexpr DWORD kReplacePauseMs = 20;
constexpr unsigned long long kFileTimeUnitsPerSecond = 10'000'000ULL;
constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

FileError Error(DWORD code, const std::string& what) {
    const std::string text = SystemErrorText(code);
    return FileError{static_cast<int>(code), what.empty() ? text : what + ": " + text};
}

// Closes a handle once, at the end of its scope unless closed earlier.
class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : m_handle(handle) {}
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    HANDLE get() const { return m_handle; }
    bool valid() const { return m_handle != INVALID_HANDLE_VALUE; }
    // Closes now; true when the system closed it without error.
    bool Close() {
        const HANDLE handle = m_handle;
        m_handle = INVALID_HANDLE_VALUE;
        return handle == INVALID_HANDLE_VALUE || CloseHandle(handle) != 0;
    }

private:
    HANDLE m_handle;
};

unsigned long long Combine(DWORD high, DWORD low) {
    return (static_cast<unsigned long long>(high) << 32) | low;
}

long long FileTimeValue(const FILETIME& time) {
    return static_cast<long long>(Combine(time.dwHighDateTime, time.dwLowDateTime));
}

std::wstring::size_type LastSeparator(const std::wstring& path) {
    return path.find_last_of(L"\\/");
}

std::wstring FolderOf(const std::wstring& path) {
    const auto separator = LastSeparator(path);
    return separator == std::wstring::npos ? L"." : path.substr(0, separator);
}

std::wstring BaseNameOf(const std::wstring& path) {
    const auto separator = LastSeparator(path);
    return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

// The file a write to `path` must replace: the file a symbolic link leads to, otherwise `path`
// itself (also when it does not exist yet).
std::wstring TargetOf(const std::string& path) {
    std::wstring wide = WidePath(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        if (auto final = FinalPathOf(wide)) {
            return *final;
        }
    }
    return wide;
}

bool IsTemporaryName(const std::wstring& name, const std::wstring& prefix) {
    if (name.size() != prefix.size() + kSuffixLength || name.compare(0, prefix.size(), prefix)) {
        return false;
    }
    return name.find_first_not_of(L"0123456789abcdef", prefix.size()) == std::wstring::npos;
}

// Whether the file at `target` may be replaced: it does not exist, or it is a file that is not
// read-only (`kept` then holds the attributes the new file takes over). Otherwise false, with
// `error` saying why.
bool MayReplace(const std::wstring& target, DWORD& kept, FileError& error) {
    kept = 0;
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return true;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        error = Error(ERROR_ACCESS_DENIED, NarrowPath(target) + " is a folder");
        return false;
    }
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        error = Error(ERROR_ACCESS_DENIED, NarrowPath(target) + " is read-only");
        return false;
    }
    kept = attributes & kKeptAttributes;
    return true;
}

// Creates a new, empty file beside `target` named "." + its name + ".tmp-" + 16 random hex
// digits, never one that exists already; `temporary` gets its path.
HANDLE CreateTemporary(const std::wstring& target, std::wstring& temporary, FileError& error) {
    constexpr int kAttempts = 100;
    std::random_device seed;
    std::mt19937_64 random(seed());
    const std::wstring stem = FolderOf(target) + L"\\." + BaseNameOf(target) + kTemporaryMark;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        wchar_t suffix[kSuffixLength + 1];
        std::swprintf(suffix, kSuffixLength + 1, L"%016llx",
                      static_cast<unsigned long long>(random()));
        temporary = stem + suffix;
        const HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            return file;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) {
            error = Error(GetLastError(),
                          "cannot create a temporary file in " + NarrowPath(FolderOf(target)));
            return INVALID_HANDLE_VALUE;
        }
    }
    error = Error(ERROR_FILE_EXISTS,
                  "cannot create a temporary file in " + NarrowPath(FolderOf(target)));
    return INVALID_HANDLE_VALUE;
}

// Gives the temporary file exactly `bytes`, flushed to the disk, and closes it.
bool FillTemporary(FileHandle& file, const std::wstring& temporary, std::string_view bytes,
                   FileError& error) {
    const std::string name = NarrowPath(temporary);
    while (!bytes.empty()) {
        constexpr std::size_t kChunk = 1 << 20;
        const DWORD wanted = static_cast<DWORD>(bytes.size() < kChunk ? bytes.size() : kChunk);
        DWORD written = 0;
        if (!WriteFile(file.get(), bytes.data(), wanted, &written, nullptr) || written == 0) {
            error = Error(GetLastError(), "cannot write " + name);
            return false;
        }
        bytes.remove_prefix(written);
    }
    if (!FlushFileBuffers(file.get())) {
        error = Error(GetLastError(), "cannot flush " + name);
        return false;
    }
    if (!file.Close()) {
        error = Error(GetLastError(), "cannot close " + name);
        return false;
    }
    return true;
}

// Moves `temporary` over `target` in one step, trying again while another program holds the
// target without delete sharing.
bool MoveOver(const std::wstring& temporary, const std::wstring& target, FileError& error) {
    for (int attempt = 1;; ++attempt) {
        if (MoveFileExW(temporary.c_str(), target.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            return true;
        }
        const DWORD code = GetLastError();
        const bool held = code == ERROR_SHARING_VIOLATION || code == ERROR_ACCESS_DENIED ||
                          code == ERROR_LOCK_VIOLATION;
        if (!held || attempt == kReplaceAttempts) {
            error = Error(code, "cannot replace " + NarrowPath(target));
            return false;
        }
        Sleep(kReplacePauseMs);
    }
}

}  // namespace

ReadOutcome Win32WholeFiles::Read(const std::string& path, std::string& bytes,
                                  FileError& error) const {
    bytes.clear();
    FileHandle file(CreateFileW(WidePath(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) {
            return ReadOutcome::Missing;
        }
        error = Error(code, "");
        return ReadOutcome::Failed;
    }
    char buffer[8192];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr)) {
            error = Error(GetLastError(), "");
            bytes.clear();
            return ReadOutcome::Failed;
        }
        if (got == 0) {
            return ReadOutcome::Read;
        }
        bytes.append(buffer, got);
    }
}

std::optional<FileIdentity> Win32WholeFiles::IdentityOf(const std::string& path) const {
    FileHandle file(CreateFileW(WidePath(path).c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file.valid() || !GetFileInformationByHandle(file.get(), &info)) {
        return std::nullopt;
    }
    FileIdentity identity;
    identity.device = info.dwVolumeSerialNumber;
    identity.inode = Combine(info.nFileIndexHigh, info.nFileIndexLow);
    identity.size = static_cast<long long>(Combine(info.nFileSizeHigh, info.nFileSizeLow));
    identity.modifiedNs = FileTimeValue(info.ftLastWriteTime);
    FILE_BASIC_INFO basic{};
    if (GetFileInformationByHandleEx(file.get(), FileBasicInfo, &basic, sizeof basic)) {
        identity.changedNs = basic.ChangeTime.QuadPart;
    }
    return identity;
}

int Win32WholeFiles::RemoveStaleTemporaries(const std::string& path,
                                            std::chrono::seconds minimumAge) const {
    const std::wstring target = TargetOf(path);
    const std::wstring folder = FolderOf(target);
    const std::wstring prefix = L"." + BaseNameOf(target) + kTemporaryMark;
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW((folder + L"\\" + prefix + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return 0;
    }
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    const long long oldest =
        FileTimeValue(now) - static_cast<long long>(minimumAge.count()) *
                                 static_cast<long long>(kFileTimeUnitsPerSecond);
    int removed = 0;
    do {
        const bool plainFile = (found.dwFileAttributes &
                                (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
        if (plainFile && IsTemporaryName(found.cFileName, prefix) &&
            FileTimeValue(found.ftLastWriteTime) <= oldest &&
            DeleteFileW((folder + L"\\" + found.cFileName).c_str())) {
            ++removed;
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return removed;
}

bool Win32WholeFiles::Replace(const std::string& path, std::string_view bytes,
                              FileError& error) const {
    const std::wstring target = TargetOf(path);
    DWORD kept = 0;
    if (!MayReplace(target, kept, error)) {
        return false;
    }
    std::wstring temporary;
    FileHandle file(CreateTemporary(target, temporary, error));
    if (!file.valid()) {
        return false;
    }
    const auto keepAttributes = [&] {
        if (kept == 0 || SetFileAttributesW(temporary.c_str(), kept)) {
            return true;
        }
        error = Error(GetLastError(), "cannot set the attributes of " + NarrowPath(temporary));
        return false;
    };
    const bool moved = FillTemporary(file, temporary, bytes, error) && keepAttributes() &&
                       MoveOver(temporary, target, error);
    if (!moved) {
        file.Close();
        DeleteFileW(temporary.c_str());
    }
    return moved;
}

std::string Win32WholeFiles::LocalFromUtf8(const std::string& text) const {
    if (text.empty()) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
    return NarrowPath(wide);
}

std::string Win32WholeFiles::Utf8FromLocal(const std::string& text) const {
    const std::wstring wide = WidePath(text);
    if (wide.empty()) {
        return {};
    }
    const int size = static_cast<int>(wide.size());
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), length, nullptr, nullptr);
    return utf8;
}

const Win32WholeFiles& Win32Files() {
    static const Win32WholeFiles files;
    return files;
}

}  // namespace corvantis
