#include "settings/ini.h"

#include <gtest/gtest.h>

#include "support/fakes.h"

namespace corvantis::testing {
namespace {

TEST(IniTest, WritesUpperCasedKeysAndReadsWithLowerCasedOnes) {
    FakePlatform platform;
    const std::string file = platform.settings.PathOf(kCorvantisIni);
    WriteIni(platform.settings, "SerialSync", "SerialRate", "once per hour", file);
    EXPECT_EQ(platform.profile.log,
              std::vector<std::string>{file + "|SerialSync|SERIALRATE=once per hour"});
    EXPECT_EQ(ReadIni(platform.settings, "SerialSync", "serialrate", "x", file), "once per hour");
    EXPECT_EQ(ReadIni(platform.settings, "SerialSync", "TimeUTC", "1", file), "1");
}

TEST(IniTest, ReadsAtMost749Characters) {
    FakePlatform platform;
    const std::string file = platform.settings.PathOf(kDataIni);
    WriteIni(platform.settings, "CommMethod", "Long", std::string(800, 'x'), file);
    EXPECT_EQ(ReadIni(platform.settings, "CommMethod", "long", "", file), std::string(749, 'x'));
}

TEST(IniTest, FileNamesAreBuiltFromTheSettingsFolder) {
    FakePlatform platform;
    const std::string folder = "/home/ada/.config/corvantis";
    const SettingsFiles files(platform.profile, platform.status, folder);
    const char separator = files.PathOf(kDataIni).at(folder.size());
    EXPECT_TRUE(separator == '/' || separator == '\\');
    EXPECT_EQ(files.PathOf(kDataIni), folder + separator + "data.ini");
    EXPECT_EQ(files.PathOf(kCorvantisIni), folder + separator + "Corvantis.ini");
}

TEST(IniTest, AFailedWriteWarnsOncePerFileUntilAWriteToItSucceeds) {
    FakePlatform platform;
    SettingsFiles& files = platform.settings;
    const std::string settings = files.PathOf(kCorvantisIni);
    const std::string data = files.PathOf(kDataIni);
    platform.profile.unwritable = {settings, data};

    WriteIni(files, "GPS", "CurrAddress", "1", settings);
    WriteIni(files, "GPS", "NewAddress", "2", settings);
    WriteIni(files, "CommMethod", "LeapSec", "3", data);
    // The store's own reason, which names the file.
    EXPECT_EQ(platform.status.warnings,
              (std::vector<std::string>{"Settings not saved: " + settings + ": not writable",
                                        "Settings not saved: " + data + ": not writable"}));
    EXPECT_TRUE(platform.dialog.shown.empty());

    platform.profile.unwritable.erase(settings);
    WriteIni(files, "GPS", "CurrAddress", "1", settings);
    WriteIni(files, "CommMethod", "LeapSec", "3", data);
    EXPECT_EQ(platform.status.warnings.size(), 2u);

    platform.profile.unwritable.insert(settings);
    WriteIni(files, "GPS", "CurrAddress", "4", settings);
    EXPECT_EQ(platform.status.warnings.size(), 3u);
}

// While the disk refuses them, the operator's settings are kept, the latest value of each
// key; they reach their files at the first retry after the disk takes writes again, and
// nothing is told more than once per file.
TEST(IniTest, RefusedWritesAreKeptAndMadeOnceTheFileTakesThemAgain) {
    FakePlatform platform;
    SettingsFiles& files = platform.settings;
    const std::string settings = files.PathOf(kCorvantisIni);
    const std::string data = files.PathOf(kDataIni);
    WriteIni(files, "GPS", "CurrAddress", "1", settings);
    platform.profile.unwritable = {settings, data};

    WriteIni(files, "GPS", "CurrAddress", "2", settings);
    WriteIni(files, "GPS", "NewAddress", "3", settings);
    WriteIni(files, "gps", "CURRADDRESS", "4", settings);  // the same key again
    WriteIni(files, "CommMethod", "LeapSec", "5", data);
    RetryUnsavedSettings(files);
    EXPECT_EQ(*platform.profile.Find(settings, "GPS", "CURRADDRESS"), "1");
    EXPECT_EQ(platform.profile.Find(settings, "GPS", "NEWADDRESS"), nullptr);
    EXPECT_EQ(files.UnsavedWrites(), 3u);
    EXPECT_EQ(platform.status.warnings.size(), 2u);

    platform.profile.unwritable = {data};  // one file comes back
    RetryUnsavedSettings(files);
    EXPECT_EQ(*platform.profile.Find(settings, "GPS", "CURRADDRESS"), "4");
    EXPECT_EQ(*platform.profile.Find(settings, "GPS", "NEWADDRESS"), "3");
    EXPECT_EQ(platform.profile.Find(data, "CommMethod", "LEAPSEC"), nullptr);

    platform.profile.unwritable.clear();
    WriteIni(files, "GPS", "NewAddress", "6", settings);  // a write that succeeds retries too
    EXPECT_EQ(*platform.profile.Find(data, "CommMethod", "LEAPSEC"), "5");
    EXPECT_EQ(files.UnsavedWrites(), 0u);
    EXPECT_EQ(files.FilesWarnedOf(), 0u);
    EXPECT_EQ(platform.status.warnings.size(), 2u);
}

}  // namespace
}  // namespace corvantis::testing
