// A scratch HKEY_CURRENT_USER for registry tests: while a sandbox lives, every use of
// HKEY_CURRENT_USER in this process goes to a fresh key of its own, so nothing touches the
// user's real Run keys, also when the tests run on Windows itself.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvantis::testing {

class UserHiveSandbox {
public:
    // Creates HKEY_CURRENT_USER\Software\Corvantis-test-<random> and redirects
    // HKEY_CURRENT_USER to it; `keys` are created inside, ready to be opened.
    explicit UserHiveSandbox(const std::vector<std::string>& keys = {});
    // Ends the redirection and deletes the scratch key with everything in it.
    ~UserHiveSandbox();
    UserHiveSandbox(const UserHiveSandbox&) = delete;
    UserHiveSandbox& operator=(const UserHiveSandbox&) = delete;

    // The scratch key's path under the real HKEY_CURRENT_USER.
    const std::string& Path() const { return m_path; }

    struct Value {
        std::uint32_t type;
        std::vector<std::uint8_t> data;  // as RegQueryValueExA reports it, size included
    };
    // The value `name` under `key` (in the sandbox), or nothing when absent.
    std::optional<Value> Read(const std::string& key, const std::string& name) const;

private:
    std::string m_path;
    void* m_root = nullptr;  // HKEY of the scratch key
};

}  // namespace corvantis::testing
