#include "platform/win32/win32_profile_store.h"

#include <algorithm>
#include <limits>

#include "platform/win32/win32_error.h"

#include <windows.h>

namespace corvantis {

std::string Win32ProfileStore::GetString(const std::string& section, const std::string& key,
                                         const std::string& fallback, std::size_t capacity,
                                         const std::string& file) {
    const DWORD size =
        static_cast<DWORD>(std::min<std::size_t>(capacity, std::numeric_limits<DWORD>::max()));
    if (size == 0) {
        return {};
    }
    std::string buffer(size, '\0');
    const DWORD copied = GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback.c_str(),
                                                  buffer.data(), size, file.c_str());
    buffer.resize(std::min(copied, size - 1));
    return buffer;
}

bool Win32ProfileStore::WriteString(const std::string& section, const std::string& key,
                                    const std::string& value, const std::string& file) {
    if (WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str())) {
        return true;
    }
    m_lastError = file + ": " + SystemErrorText(GetLastError());
    return false;
}

}  // namespace corvantis
