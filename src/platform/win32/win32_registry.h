// HKEY_CURRENT_USER through advapi32: RegOpenKeyExA, RegSetValueExA, RegDeleteValueA,
// RegCloseKey, with 8-bit names and text.
#pragma once

#include "platform/registry.h"

namespace corvantis {

// Results are the Win32 error codes the functions return (0 is success).
// A String value is handed to RegSetValueExA with the length of `data` and a zero byte
// after it in memory: the system reads that byte and, as NT always has for a text whose
// length leaves out its terminating zero, stores the terminator with the text.
class Win32Registry final : public Registry {
public:
    // RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_WRITE).
    long OpenKey(const std::string& path, Key& key) override;
    long SetValue(Key key, const std::string& name, RegistryType type,
                  const std::vector<std::uint8_t>& data) override;
    long DeleteValue(Key key, const std::string& name) override;
    void CloseKey(Key key) override;
};

}  // namespace corvantis
