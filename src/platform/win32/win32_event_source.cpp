#include "platform/win32/win32_event_source.h"

#include <windows.h>

#include "platform/failure.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/win32_text.h"

namespace corvantis {

namespace {

const wchar_t kSourceKey[] =
    L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Corvantis";

[[noreturn]] void Fail(LONG code, const std::string& what) {
    throw Failure(static_cast<int>(code), what + ": " + SystemErrorText(static_cast<DWORD>(code)));
}

}  // namespace

void RegisterEventSourceFor(const std::string& messageModule) {
    HKEY key = nullptr;
    LONG code = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSourceKey, 0, nullptr, 0, KEY_SET_VALUE,
                                nullptr, &key, nullptr);
    if (code != ERROR_SUCCESS) {
        Fail(code, "Cannot register the event source");
    }
    const std::wstring file = Widen(messageModule);
    const DWORD types = EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE;
    code = RegSetValueExW(key, L"EventMessageFile", 0, REG_EXPAND_SZ,
                          reinterpret_cast<const BYTE*>(file.c_str()),
                          static_cast<DWORD>((file.size() + 1) * sizeof(wchar_t)));
    if (code == ERROR_SUCCESS) {
        code = RegSetValueExW(key, L"TypesSupported", 0, REG_DWORD,
                              reinterpret_cast<const BYTE*>(&types), sizeof types);
    }
    RegCloseKey(key);
    if (code != ERROR_SUCCESS) {
        Fail(code, "Cannot register the event source");
    }
}

void RemoveEventSource() {
    const LONG code = RegDeleteKeyW(HKEY_LOCAL_MACHINE, kSourceKey);
    if (code != ERROR_SUCCESS && code != ERROR_FILE_NOT_FOUND) {
        Fail(code, "Cannot remove the event source");
    }
}

std::optional<std::string> RegisteredEventMessageFile() {
    wchar_t file[MAX_PATH * 2] = {};
    DWORD size = sizeof file - sizeof(wchar_t);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kSourceKey, L"EventMessageFile",
                     RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, file,
                     &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return Narrow(file);
}

std::optional<std::wstring> EventMessageText(const std::string& module, unsigned long messageId,
                                             const std::vector<std::string>& inserts) {
    HMODULE handle = LoadLibraryExW(Widen(module).c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (handle == nullptr) {
        return std::nullopt;
    }
    std::vector<std::wstring> wide;
    for (const std::string& insert : inserts) {
        wide.push_back(Widen(insert));
    }
    std::vector<DWORD_PTR> arguments;
    for (const std::wstring& insert : wide) {
        arguments.push_back(reinterpret_cast<DWORD_PTR>(insert.c_str()));
    }
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ALLOCATE_BUFFER |
            FORMAT_MESSAGE_ARGUMENT_ARRAY | (inserts.empty() ? FORMAT_MESSAGE_IGNORE_INSERTS : 0),
        handle, messageId, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
        reinterpret_cast<wchar_t*>(&buffer), 0,
        inserts.empty() ? nullptr : reinterpret_cast<va_list*>(arguments.data()));
    std::optional<std::wstring> text;
    if (length > 0 && buffer != nullptr) {
        text.emplace(buffer, length);
    }
    LocalFree(buffer);
    FreeLibrary(handle);
    return text;
}

Win32EventLogWriter::Win32EventLogWriter()
    : m_handle(RegisterEventSourceW(nullptr, Widen(kEventSourceName).c_str())) {}

Win32EventLogWriter::~Win32EventLogWriter() {
    if (m_handle != nullptr) {
        DeregisterEventSource(m_handle);
    }
}

void Win32EventLogWriter::Write(unsigned long messageId, const std::vector<std::string>& inserts) {
    if (m_handle == nullptr) {
        return;
    }
    WORD type = EVENTLOG_INFORMATION_TYPE;
    switch (messageId >> 30) {
        case 3:
            type = EVENTLOG_ERROR_TYPE;
            break;
        case 2:
            type = EVENTLOG_WARNING_TYPE;
            break;
        default:
            break;
    }
    std::vector<std::wstring> wide;
    for (const std::string& insert : inserts) {
        wide.push_back(Widen(insert));
    }
    std::vector<LPCWSTR> strings;
    for (const std::wstring& insert : wide) {
        strings.push_back(insert.c_str());
    }
    ReportEventW(m_handle, type, 0, messageId, nullptr, static_cast<WORD>(strings.size()), 0,
                 strings.empty() ? nullptr : strings.data(), nullptr);
}

}  // namespace corvantis
