// The shared behaviour suites, run against the Win32 profile store and registry.
#include <memory>
#include <optional>
#include <string>

#include "platform/auto_run_behaviour.h"
#include "platform/profile_store_behaviour.h"
#include "platform/win32/win32_profile_store.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_whole_files.h"
#include "user_hive_sandbox.h"

namespace corvantis::testing {
namespace {

// The profile functions are the measure the program's own store is held to.
INSTANTIATE_TEST_SUITE_P(
    Win32, ProfileStoreBehaviour,
    ::testing::Values(ProfileStoreBackend{"Win32ProfileStore",
                                          [] { return std::make_unique<Win32ProfileStore>(); }},
                      ProfileStoreBackend{"Win32IniFileStore",
                                          [] { return std::make_unique<Win32IniFileStore>(); }}),
    BackendName);

// The Win32 registry inside a scratch HKEY_CURRENT_USER that holds both Run keys; the
// scratch key goes when the registry does.
class SandboxedRegistry final : public Registry {
public:
    long OpenKey(const std::string& path, Key& key) override {
        return m_registry.OpenKey(path, key);
    }
    long SetValue(Key key, const std::string& name, RegistryType type,
                  const std::vector<std::uint8_t>& data) override {
        return m_registry.SetValue(key, name, type, data);
    }
    long DeleteValue(Key key, const std::string& name) override {
        return m_registry.DeleteValue(key, name);
    }
    void CloseKey(Key key) override { m_registry.CloseKey(key); }

    // The text stored under `name` of `keyPath` as RegQueryValueExA returns it, without the
    // terminating zero the system keeps with it; nothing when the value is absent. A value
    // of another type than REG_SZ, or text without its terminator, reads as a description
    // of what was found, so that it can never equal a command.
    std::optional<std::string> Registered(const std::string& keyPath, const std::string& name) {
        const auto value = m_sandbox.Read(keyPath, name);
        if (!value) {
            return std::nullopt;
        }
        constexpr std::uint32_t kRegSz = 1;
        if (value->type != kRegSz) {
            return "<registry type " + std::to_string(value->type) + ">";
        }
        if (value->data.empty() || value->data.back() != 0) {
            return "<text without its terminator>";
        }
        return std::string(value->data.begin(), value->data.end() - 1);
    }

private:
    UserHiveSandbox m_sandbox{{kRunKey, std::string(kRunKey) + "Once"}};
    Win32Registry m_registry;
};

INSTANTIATE_TEST_SUITE_P(
    Win32, AutoRunBehaviour,
    ::testing::Values(RegistryBackend{
        "Win32Registry", [](const std::string&) { return std::make_unique<SandboxedRegistry>(); },
        [](Registry& registry, const std::string& keyPath, const std::string& name) {
            return dynamic_cast<SandboxedRegistry&>(registry).Registered(keyPath, name);
        },
        PathStyle::Windows}),
    RegistryBackendName);

}  // namespace
}  // namespace corvantis::testing
