// The current user's registry, reduced to what start-up registration needs. On Windows this
// is HKEY_CURRENT_USER itself; elsewhere an implementation maps the Run keys onto the
// desktop's own per-user start-up entries.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvantis {

// Registry value types, with the published Windows numbers.
enum class RegistryType : std::uint32_t { String = 1, Binary = 3, Dword = 4 };

inline constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

class Registry {
public:
    using Key = std::uintptr_t;
    virtual ~Registry() = default;

    // Each call returns 0 on success and a platform error code otherwise, as the Win32
    // registry functions do.

    // Opens `path` under HKEY_CURRENT_USER for writing.
    virtual long OpenKey(const std::string& path, Key& key) = 0;
    // Stores `data` (exactly these bytes; no terminating zero is added) under `name`.
    virtual long SetValue(Key key, const std::string& name, RegistryType type,
                          const std::vector<std::uint8_t>& data) = 0;
    virtual long DeleteValue(Key key, const std::string& name) = 0;
    virtual void CloseKey(Key key) = 0;
};

}  // namespace corvantis
