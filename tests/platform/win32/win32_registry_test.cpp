#include "platform/win32/win32_registry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "user_hive_sandbox.h"

namespace corvantis {
namespace {

using testing::UserHiveSandbox;

constexpr long kSuccess = 0;
constexpr long kFileNotFound = 2;  // ERROR_FILE_NOT_FOUND
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

class Win32RegistryTest : public ::testing::Test {
protected:
    // Stores `data` under `name` in the Run key through the registry under test.
    long Store(const std::string& name, RegistryType type, const std::vector<std::uint8_t>& data) {
        Registry::Key key{};
        const long opened = registry.OpenKey(kRunKey, key);
        if (opened != kSuccess) {
            return opened;
        }
        const long result = registry.SetValue(key, name, type, data);
        registry.CloseKey(key);
        return result;
    }

    long Remove(const std::string& name) {
        Registry::Key key{};
        const long opened = registry.OpenKey(kRunKey, key);
        if (opened != kSuccess) {
            return opened;
        }
        const long result = registry.DeleteValue(key, name);
        registry.CloseKey(key);
        return result;
    }

    UserHiveSandbox sandbox{{kRunKey}};
    Win32Registry registry;
};

TEST_F(Win32RegistryTest, TextGivenWithoutTerminatorIsStoredWithTheOneTheSystemAdds) {
    // Eight characters, length 8: the system sees the zero after them and, as NT does for a
    // length that leaves the terminator out, stores it too. The text itself is intact.
    ASSERT_EQ(Store("Corvantis", RegistryType::String, Bytes("C:\\a.Exe")), kSuccess);

    const auto stored = sandbox.Read(kRunKey, "Corvantis");
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->type, kRegSz);
    ASSERT_EQ(stored->data.size(), 9u);
    EXPECT_EQ(std::string(stored->data.begin(), stored->data.begin() + 8), "C:\\a.Exe");
    EXPECT_EQ(stored->data[8], 0);
}

TEST_F(Win32RegistryTest, DwordAndBinaryAreStoredByteForByte) {
    ASSERT_EQ(Store("Count", RegistryType::Dword, {0x78, 0x56, 0x34, 0x12}), kSuccess);
    ASSERT_EQ(Store("Blob", RegistryType::Binary, {1, 0, 2}), kSuccess);

    const auto count = sandbox.Read(kRunKey, "Count");
    ASSERT_TRUE(count.has_value());
    EXPECT_EQ(count->type, kRegDword);
    EXPECT_EQ(count->data, (std::vector<std::uint8_t>{0x78, 0x56, 0x34, 0x12}));
    const auto blob = sandbox.Read(kRunKey, "Blob");
    ASSERT_TRUE(blob.has_value());
    EXPECT_EQ(blob->type, kRegBinary);
    EXPECT_EQ(blob->data, (std::vector<std::uint8_t>{1, 0, 2}));
}

TEST_F(Win32RegistryTest, RemoveDeletesOnlyTheNamedValueAndReportsAnAbsentOne) {
    ASSERT_EQ(Store("Corvantis", RegistryType::String, Bytes("C:\\a.Exe")), kSuccess);
    ASSERT_EQ(Store("Other", RegistryType::String, Bytes("C:\\other.exe")), kSuccess);

    EXPECT_EQ(Remove("Corvantis"), kSuccess);
    EXPECT_EQ(Remove("Corvantis"), kFileNotFound);

    EXPECT_FALSE(sandbox.Read(kRunKey, "Corvantis").has_value());
    EXPECT_TRUE(sandbox.Read(kRunKey, "Other").has_value());
}

TEST_F(Win32RegistryTest, AMissingKeyCannotBeOpened) {
    Registry::Key key = 1234;
    EXPECT_EQ(registry.OpenKey("Software\\Corvantis-no-such-key\\Run", key), kFileNotFound);
    EXPECT_EQ(key, Registry::Key{});
}

TEST(Win32RegistrySandboxTest, NothingReachesTheRealUserHive) {
    std::string scratch;
    {
        UserHiveSandbox sandbox{{kRunKey}};
        scratch = sandbox.Path();
        Win32Registry registry;
        Registry::Key key{};
        ASSERT_EQ(registry.OpenKey(kRunKey, key), kSuccess);
        ASSERT_EQ(
            registry.SetValue(key, "Corvantis-sandbox-probe", RegistryType::String, Bytes("x")),
            kSuccess);
        registry.CloseKey(key);
    }
    // The redirection is over: the real Run key never saw the value, the scratch key is gone.
    Win32Registry real;
    Registry::Key key{};
    if (real.OpenKey(kRunKey, key) == kSuccess) {
        EXPECT_EQ(real.DeleteValue(key, "Corvantis-sandbox-probe"), kFileNotFound);
        real.CloseKey(key);
    }
    EXPECT_EQ(real.OpenKey(scratch, key), kFileNotFound);
}

}  // namespace
}  // namespace corvantis
