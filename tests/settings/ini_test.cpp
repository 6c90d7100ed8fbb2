#include "settings/ini.h"

#include <gtest/gtest.h>

#include "support/fakes.h"

namespace corvantis::testing {
namespace {

TEST(IniTest, WritesUpperCasedKeysAndReadsWithLowerCasedOnes) {
    FakePlatform platform;
    const std::string file = IniPath(platform.services.info, kCorvantisIni);
    WriteIni(platform.services, "SerialSync", "SerialRate", "once per hour", file);
    EXPECT_EQ(platform.profile.log,
              std::vector<std::string>{file + "|SerialSync|SERIALRATE=once per hour"});
    EXPECT_EQ(ReadIni(platform.services, "SerialSync", "serialrate", "x", file), "once per hour");
    EXPECT_EQ(ReadIni(platform.services, "SerialSync", "TimeUTC", "1", file), "1");
}

TEST(IniTest, ReadsAtMost749Characters) {
    FakePlatform platform;
    const std::string file = IniPath(platform.services.info, kDataIni);
    WriteIni(platform.services, "CommMethod", "Long", std::string(800, 'x'), file);
    EXPECT_EQ(ReadIni(platform.services, "CommMethod", "long", "", file), std::string(749, 'x'));
}

TEST(IniTest, FileNamesAreBuiltFromTheSettingsFolder) {
    ProgramInfo info;
    info.settingsFolder = "/home/ada/.config/corvantis";
    const char separator = IniPath(info, kDataIni).at(info.settingsFolder.size());
    EXPECT_TRUE(separator == '/' || separator == '\\');
    EXPECT_EQ(IniPath(info, kDataIni), info.settingsFolder + separator + "data.ini");
    EXPECT_EQ(IniPath(info, kCorvantisIni), info.settingsFolder + separator + "Corvantis.ini");
}

TEST(IniTest, AFailedWriteWarnsOncePerFileUntilAWriteToItSucceeds) {
    FakePlatform platform;
    Services& services = platform.services;
    const std::string settings = IniPath(services.info, kCorvantisIni);
    const std::string data = IniPath(services.info, kDataIni);
    platform.profile.unwritable = {settings, data};

    WriteIni(services, "GPS", "CurrAddress", "1", settings);
    WriteIni(services, "GPS", "NewAddress", "2", settings);
    WriteIni(services, "CommMethod", "LeapSec", "3", data);
    // The store's own reason, which names the file.
    EXPECT_EQ(platform.status.warnings,
              (std::vector<std::string>{"Settings not saved: " + settings + ": not writable",
                                        "Settings not saved: " + data + ": not writable"}));
    EXPECT_TRUE(platform.dialog.shown.empty());

    platform.profile.unwritable.erase(settings);
    WriteIni(services, "GPS", "CurrAddress", "1", settings);
    WriteIni(services, "CommMethod", "LeapSec", "3", data);
    EXPECT_EQ(platform.status.warnings.size(), 2u);

    platform.profile.unwritable.insert(settings);
    WriteIni(services, "GPS", "CurrAddress", "4", settings);
    EXPECT_EQ(platform.status.warnings.size(), 3u);
}

// While the disk refuses them, the operator's settings are kept, the latest value of each
// key; they reach their files at the first retry after the disk takes writes again, and
// nothing is told more than once per file.
TEST(IniTest, RefusedWritesAreKeptAndMadeOnceTheFileTakesThemAgain) {
    FakePlatform platform;
    Services& services = platform.services;
    const std::string settings = IniPath(services.info, kCorvantisIni);
    const std::string data = IniPath(services.info, kDataIni);
    WriteIni(services, "GPS", "CurrAddress", "1", settings);
    platform.profile.unwritable = {settings, data};

    WriteIni(services, "GPS", "CurrAddress", "2", settings);
    WriteIni(services, "GPS", "NewAddress", "3", settings);
    WriteIni(services, "gps", "CURRADDRESS", "4", settings);  // the same key again
    WriteIni(services, "CommMethod", "LeapSec", "5", data);
    RetryUnsavedSettings(services);
    EXPECT_EQ(*platform.profile.Find(settings, "GPS", "CURRADDRESS"), "1");
    EXPECT_EQ(platform.profile.Find(settings, "GPS", "NEWADDRESS"), nullptr);
    EXPECT_EQ(services.unsavedSettings.size(), 3u);
    EXPECT_EQ(platform.status.warnings.size(), 2u);

    platform.profile.unwritable = {data};  // one file comes back
    RetryUnsavedSettings(services);
    EXPECT_EQ(*platform.profile.Find(settings, "GPS", "CURRADDRESS"), "4");
    EXPECT_EQ(*platform.profile.Find(settings, "GPS", "NEWADDRESS"), "3");
    EXPECT_EQ(platform.profile.Find(data, "CommMethod", "LEAPSEC"), nullptr);

    platform.profile.unwritable.clear();
    WriteIni(services, "GPS", "NewAddress", "6", settings);  // a write that succeeds retries too
    EXPECT_EQ(*platform.profile.Find(data, "CommMethod", "LEAPSEC"), "5");
    EXPECT_TRUE(services.unsavedSettings.empty());
    EXPECT_TRUE(services.unsavedSettingsFiles.empty());
    EXPECT_EQ(platform.status.warnings.size(), 2u);
}

}  // namespace
}  // namespace corvantis::testing
