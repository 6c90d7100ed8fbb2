#include "user_hive_sandbox.h"

#include <random>
#include <stdexcept>

#include <windows.h>

namespace corvantis::testing {

UserHiveSandbox::UserHiveSandbox(const std::vector<std::string>& keys) {
    std::random_device seed;
    m_path = "Software\\Corvantis-test-" + std::to_string(GetCurrentProcessId()) + "-" +
             std::to_string(seed());
    HKEY root = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, m_path.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &root, nullptr) != ERROR_SUCCESS) {
        throw std::runtime_error("cannot create the scratch key " + m_path);
    }
    m_root = root;
    if (RegOverridePredefKey(HKEY_CURRENT_USER, root) != ERROR_SUCCESS) {
        RegCloseKey(root);
        RegDeleteTreeA(HKEY_CURRENT_USER, m_path.c_str());
        throw std::runtime_error("cannot redirect HKEY_CURRENT_USER");
    }
    for (const std::string& key : keys) {
        HKEY created = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, &created, nullptr) != ERROR_SUCCESS) {
            throw std::runtime_error("cannot create " + key + " in the scratch key");
        }
        RegCloseKey(created);
    }
}

UserHiveSandbox::~UserHiveSandbox() {
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegCloseKey(static_cast<HKEY>(m_root));
    RegDeleteTreeA(HKEY_CURRENT_USER, m_path.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, m_path.c_str());
}

std::optional<UserHiveSandbox::Value> UserHiveSandbox::Read(const std::string& key,
                                                            const std::string& name) const {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(static_cast<HKEY>(m_root), key.c_str(), 0, KEY_READ, &opened) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    DWORD type = 0;
    DWORD size = 0;
    LSTATUS result = RegQueryValueExA(opened, name.c_str(), nullptr, &type, nullptr, &size);
    Value value{};
    if (result == ERROR_SUCCESS) {
        value.data.resize(size);
        result = RegQueryValueExA(opened, name.c_str(), nullptr, &type, value.data.data(), &size);
        value.data.resize(size);
        value.type = type;
    }
    RegCloseKey(opened);
    if (result != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return value;
}

}  // namespace corvantis::testing
