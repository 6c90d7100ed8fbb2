#include "platform/win32/win32_file_replacer.h"

#include <windows.h>

#include "platform/win32/win32_error.h"

namespace corvantis {

namespace {

bool Fail(std::string& error, const std::string& what) {
    error = what + ": " + SystemErrorText(GetLastError());
    return false;
}

// Writes all of `bytes` to a new file `path`. Not flushed: see the header.
bool WriteNewFile(const std::string& path, const std::string& bytes, std::string& error) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return Fail(error, "cannot create " + path);
    }
    DWORD written = 0;
    const bool ok =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
        written == bytes.size() && FlushFileBuffers(file);
    if (!ok) {
        Fail(error, "cannot write " + path);
    }
    CloseHandle(file);
    return ok;
}

}  // namespace

bool Win32FileReplacer::Replace(const std::string& path, const std::string& bytes,
                                std::string& error) {
    const std::string temporary = path + ".tmp-" + std::to_string(GetCurrentProcessId());
    if (!WriteNewFile(temporary, bytes, error)) {
        DeleteFileA(temporary.c_str());
        return false;
    }
    if (!MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        Fail(error, "cannot replace " + path);
        DeleteFileA(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace corvantis
