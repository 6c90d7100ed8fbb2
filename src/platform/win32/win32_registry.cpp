#include "platform/win32/win32_registry.h"

#include <windows.h>

namespace corvantis {

namespace {

HKEY ToHandle(Registry::Key key) {
    return reinterpret_cast<HKEY>(key);
}

}  // namespace

long Win32Registry::OpenKey(const std::string& path, Key& key) {
    HKEY opened = nullptr;
    const LSTATUS result = RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_WRITE, &opened);
    key = result == ERROR_SUCCESS ? reinterpret_cast<Key>(opened) : Key{};
    return result;
}

long Win32Registry::SetValue(Key key, const std::string& name, RegistryType type,
                             const std::vector<std::uint8_t>& data) {
    if (data.size() > MAXDWORD - 1) {
        return ERROR_INVALID_PARAMETER;
    }
    // For text the system reads one byte past the given length (to see whether the caller
    // left out the terminator); that byte must exist and be zero.
    std::vector<BYTE> bytes(data.begin(), data.end());
    bytes.push_back(0);
    return RegSetValueExA(ToHandle(key), name.c_str(), 0, static_cast<DWORD>(type), bytes.data(),
                          static_cast<DWORD>(data.size()));
}

long Win32Registry::DeleteValue(Key key, const std::string& name) {
    return RegDeleteValueA(ToHandle(key), name.c_str());
}

void Win32Registry::CloseKey(Key key) {
    RegCloseKey(ToHandle(key));
}

}  // namespace corvantis
