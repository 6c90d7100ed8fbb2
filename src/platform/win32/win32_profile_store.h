// INI files through the Windows profile functions (GetPrivateProfileStringA,
// WritePrivateProfileStringA), with 8-bit text.
#pragma once

#include "platform/profile_store.h"

namespace corvantis {

// File names must be full paths: a bare name would mean a file in the Windows folder.
// Besides the rules of ProfileStore, the system strips blanks around stored values, one pair
// of quotes around a value, and trailing blanks of `fallback`.
class Win32ProfileStore final : public ProfileStore {
public:
    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& fallback, std::size_t capacity,
                          const std::string& file) override;

    // A failed write leaves "<file>: <system description>" in LastError.
    bool WriteString(const std::string& section, const std::string& key, const std::string& value,
                     const std::string& file) override;

    std::string LastError() const override { return m_lastError; }

private:
    std::string m_lastError;
};

}  // namespace corvantis
