#include "settings/auto_run.h"

#include <gtest/gtest.h>

#include "platform/failure.h"
#include "support/failure_of.h"
#include "support/fakes.h"

namespace corvantis::testing {
namespace {

const std::string kRunOnceKey = std::string(kRunKey) + "Once";

TEST(RegWriteValueTest, EachValueTypeBecomesItsRegistryType) {
    struct Row {
        const char* name;
        RegistryValue value;
        RegistryType type;
        std::vector<std::uint8_t> data;
    };
    const std::vector<Row> rows = {
        {"16-bit integer", std::int16_t{-1}, RegistryType::Dword, {0xFF, 0xFF, 0xFF, 0xFF}},
        {"32-bit integer", std::int32_t{0x01020304}, RegistryType::Dword, {4, 3, 2, 1}},
        // An eight-character path stores eight bytes: no terminating zero.
        {"text",
         std::string("C:\\a.Exe"),
         RegistryType::String,
         {'C', ':', '\\', 'a', '.', 'E', 'x', 'e'}},
        {"empty text", std::string(), RegistryType::String, {}},
        {"byte array", std::vector<std::uint8_t>{1, 2, 3}, RegistryType::Binary, {1, 2, 3}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FakeRegistry registry;
        EXPECT_TRUE(RegWriteValue(registry, kRunKey, "Corvantis", row.value));
        const auto& stored = registry.keys[kRunKey].at("Corvantis");
        EXPECT_EQ(stored.type, row.type);
        EXPECT_EQ(stored.data, row.data);
        EXPECT_EQ(registry.openKeys, 0);
    }
}

TEST(RegWriteValueTest, AValueOfNoRegistryTypeClosesTheKeyAndRaises1001) {
    for (const RegistryValue& value : {RegistryValue{}, RegistryValue{2.5}}) {
        FakeRegistry registry;
        const Failure failure =
            FailureOf([&] { RegWriteValue(registry, kRunKey, "Corvantis", value); });
        EXPECT_EQ(failure.number(), 1001);
        EXPECT_EQ(failure.description(), "Unsupported value type");
        EXPECT_EQ(registry.openKeys, 0);
        EXPECT_TRUE(registry.keys[kRunKey].empty());
    }
}

TEST(RegWriteValueTest, AKeyThatCannotBeOpenedStoresNothing) {
    FakeRegistry registry;
    registry.unopenable.insert(kRunKey);
    EXPECT_FALSE(RegWriteValue(registry, kRunKey, "Corvantis", std::string("x")));
    EXPECT_FALSE(RegWriteValue(registry, kRunKey, "Corvantis", 2.5));  // no Failure either
    EXPECT_TRUE(registry.keys[kRunKey].empty());
    EXPECT_FALSE(RegRemoveValue(registry, kRunKey, "Corvantis"));
}

TEST(RegRemoveValueTest, TrueExactlyWhenTheValueWasDeleted) {
    FakeRegistry registry;
    EXPECT_FALSE(RegRemoveValue(registry, kRunKey, "Corvantis"));
    RegWriteValue(registry, kRunKey, "Corvantis", std::string("x"));
    EXPECT_TRUE(RegRemoveValue(registry, kRunKey, "Corvantis"));
    EXPECT_TRUE(registry.keys[kRunKey].empty());
    EXPECT_EQ(registry.openKeys, 0);
}

TEST(CommandPathTest, FolderSeparatorBaseNameAndQuotes) {
    struct Row {
        PathStyle style;
        std::string folder;
        std::string baseName;
        std::string command;
    };
    const std::vector<Row> rows = {
        {PathStyle::Windows, "C:\\Vesper", "Corvantis", "C:\\Vesper\\Corvantis.Exe"},
        {PathStyle::Windows, "C:\\", "Corvantis", "C:\\Corvantis.Exe"},  // drive root
        {PathStyle::Windows, "C:\\Program Files\\Vesper", "clockset",    // renamed executable
         "\"C:\\Program Files\\Vesper\\clockset.Exe\""},
        {PathStyle::Posix, "/opt/vesper", "corvantis", "/opt/vesper/corvantis"},
        {PathStyle::Posix, "/", "corvantis", "/corvantis"},
        {PathStyle::Posix, "/opt/my clocks", "corvantis", "\"/opt/my clocks/corvantis\""},
        {PathStyle::Posix, "/opt/it's", "corvantis", "\"/opt/it's/corvantis\""},
        {PathStyle::Posix, "/opt/a\"b$c`d\\e", "corvantis",
         "\"/opt/a\\\"b\\$c\\`d\\\\e/corvantis\""},
        {PathStyle::Posix, "/opt/50%", "corvantis", "/opt/50%/corvantis"},  // % is the Exec's
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.folder);
        ProgramInfo info;
        info.executableFolder = row.folder;
        info.executableBaseName = row.baseName;
        EXPECT_EQ(AutoRunCommand(info, row.style), row.command);
    }
}

TEST(SetAutoRunTest, TheModeChoosesTheKeyAndTheAction) {
    struct Row {
        std::int16_t mode;
        std::string key;  // where the value is afterwards; empty: nowhere
    };
    for (const Row& row :
         std::vector<Row>{{1, kRunOnceKey}, {2, kRunKey}, {7, kRunKey}, {-1, kRunKey}, {0, ""}}) {
        SCOPED_TRACE(row.mode);
        FakePlatform platform;
        RegWriteValue(platform.registry, kRunKey, "Corvantis", std::string("earlier"));
        if (row.mode == 0) {
            SetAutoRun(platform.autoRun, 0, "", "");
            EXPECT_TRUE(platform.registry.keys[kRunKey].empty());
            continue;
        }
        platform.registry.keys.clear();
        SetAutoRun(platform.autoRun, row.mode, "", "");
        ASSERT_EQ(platform.registry.keys[row.key].count("Corvantis"), 1u);
        const auto& data = platform.registry.keys[row.key].at("Corvantis").data;
        EXPECT_EQ(std::string(data.begin(), data.end()), AutoRunCommand(platform.info));
        EXPECT_EQ(platform.registry.keys.size(), 1u);
    }
}

// Blank texts take the defaults (dropping leading blanks is the shared behaviour's case).
TEST(SetAutoRunTest, BlankTextsTakeTheDefaults) {
    FakePlatform platform;
    SetAutoRun(platform.autoRun, 2, "   ", "   ");
    const auto& run = platform.registry.keys[kRunKey];
    ASSERT_EQ(run.count("Corvantis"), 1u);
    EXPECT_EQ(std::string(run.at("Corvantis").data.begin(), run.at("Corvantis").data.end()),
              AutoRunCommand(platform.info));
}

}  // namespace
}  // namespace corvantis::testing
