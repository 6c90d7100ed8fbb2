#include "settings/key_table.h"

#include <gtest/gtest.h>

#include "platform/failure.h"
#include "support/failure_of.h"
#include "support/fakes.h"
#include "support/started_window.h"

namespace corvantis::testing {
namespace {

TEST(ReaderRulesTest, NumberRuleTakesTheWholeTextRoundedHalfToEven) {
    struct Row {
        const char* text;
        int value;    // when failure is 0
        int failure;  // Failure number expected, 0 for none
    };
    const std::vector<Row> rows = {
        {"12", 12, 0},    {" 12 ", 12, 0},       {"-1", -1, 0},   {"2.5", 2, 0},
        {"3.5", 4, 0},    {"-32768", -32768, 0}, {"", 0, 13},     {"abc", 0, 13},
        {"12abc", 0, 13}, {"1 2", 0, 13},        {"32768", 0, 6}, {"40000", 0, 6},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(FailureOf([&] { EXPECT_EQ(NumberRule(row.text), row.value); }).number(),
                  row.failure);
    }
}

TEST(ReaderRulesTest, LeadingNumberRuleTakesWhatTheTextBeginsWith) {
    struct Row {
        const char* text;
        int value;
    };
    // "SendSync" is read this way: text with no leading number counts as 0.
    for (const Row& row : std::vector<Row>{
             {"1", 1}, {"abc", 0}, {"", 0}, {" 2x", 2}, {"1.5", 2}, {"2.5", 2}, {"-1", -1}}) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(LeadingNumberRule(row.text), row.value);
    }
    EXPECT_EQ(FailureOf([] { LeadingNumberRule("99999"); }).number(), error::kOverflow);
}

TEST(ReaderRulesTest, BooleanRuleTakesTrueFalseInAnyCaseOrANumber) {
    struct Row {
        const char* text;
        bool value;
        int failure;
    };
    const std::vector<Row> rows = {
        {"True", true, 0},    {"FALSE", false, 0}, {"true", true, 0},  {" false ", false, 0},
        {"1", true, 0},       {"0", false, 0},     {"-1", true, 0},    {"0.0", false, 0},
        {"2.5", true, 0},     {"100000", true, 0}, {"yes", false, 13}, {"", false, 13},
        {"Truex", false, 13},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(FailureOf([&] { EXPECT_EQ(BooleanRule(row.text), row.value); }).number(),
                  row.failure);
    }
}

// Puts a state into the control of `key` that differs from a fresh window's.
void ChangeControl(Window& window, const IniKey& key) {
    switch (key.feeds) {
        case Feeds::ListText:
            (window.*key.list).SetText("text of " + std::string(key.key));
            break;
        case Feeds::ListIndex:
            (window.*key.list).SetListIndex((window.*key.list).ListCount() - 1);
            break;
        case Feeds::CheckValue:
            (window.*key.check).SetValue((window.*key.check).Value() == 1 ? 0 : 1);
            break;
        case Feeds::OptionValue:
            (window.*key.options)[key.option].SetValue(!(window.*key.options)[key.option].Value());
            break;
    }
}

TEST(KeyTableTest, WhatEachKeyWritesReadsBackAsTheSameState) {
    for (const IniKey& key : IniKeys()) {
        if (key.read == ReadRule::NotRead) {
            continue;
        }
        SCOPED_TRACE(key.key);
        FakePlatform platform;
        Window written;
        FillPickLists(written);
        ChangeControl(written, key);
        SaveSetting(written, platform.settings, key.setting);

        Window restored;
        FillPickLists(restored);
        RestoreSetting(restored, platform.settings, key.setting);
        EXPECT_EQ(EncodedValue(key, restored), EncodedValue(key, written));
    }
}

TEST(KeyTableTest, AListWithoutSelectionWritesMinusOneAndReadsBackWithoutError) {
    FakePlatform platform;
    Window window;
    FillPickLists(window);
    SaveSetting(window, platform.settings, Setting::DSTstartMon);
    ASSERT_NE(platform.profile.Find(kFakeDataIni, "CommMethod", "DSTstartMon"), nullptr);
    EXPECT_EQ(*platform.profile.Find(kFakeDataIni, "CommMethod", "DSTstartMon"), "-1");
    window.startMonth.SetListIndex(3);
    RestoreSetting(window, platform.settings, Setting::DSTstartMon);
    EXPECT_EQ(window.startMonth.ListIndex(), -1);
}

TEST(KeyTableTest, ABadStoredValueFailsAndLeavesItsControlAsItWas) {
    struct Row {
        Setting setting;
        const char* key;
        const char* stored;
        int failure;
    };
    const std::vector<Row> rows = {
        {Setting::DSTstartMon, "DSTstartMon", "12", error::kInvalidPropertyValue},
        {Setting::TZhouroffset, "TZhouroffset", "abc", error::kTypeMismatch},
        {Setting::TZhouroffset, "TZhouroffset", "", error::kTypeMismatch},
        {Setting::EnableOCXO, "EnableOCXO", "3", error::kInvalidPropertyValue},
        {Setting::DSThour, "DSThour", "70000", error::kOverflow},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.key) + "=" + row.stored);
        FakePlatform platform;
        platform.profile.WriteString("CommMethod", row.key, row.stored, kFakeDataIni);
        Window window;
        FillPickLists(window);
        const IniKey& key = KeyOf(row.setting);
        const std::string before = EncodedValue(key, window);
        EXPECT_EQ(
            FailureOf([&] { RestoreSetting(window, platform.settings, row.setting); }).number(),
            row.failure);
        EXPECT_EQ(EncodedValue(key, window), before);
    }
}

TEST(KeyTableTest, SendSyncTakesTheLeadingNumber) {
    struct Row {
        const char* stored;
        int value;
    };
    for (const Row& row : std::vector<Row>{{"abc", 0}, {"1", 1}, {"2.5", 2}, {" 1 checked", 1}}) {
        SCOPED_TRACE(row.stored);
        FakePlatform platform;
        platform.profile.WriteString("SerialSync", "SENDSYNC", row.stored, kFakeCorvantisIni);
        Window window;
        window.sendingOn.SetValue(row.value == 0 ? 1 : 0);
        RestoreSetting(window, platform.settings, Setting::SendSync);
        EXPECT_EQ(window.sendingOn.Value(), row.value);
    }
}

TEST(SerialRateTest, StartUpFallsBackOnlyForAnEmptyValue) {
    struct Row {
        const char* name;
        std::optional<std::string> stored;
        std::string shown;
        std::optional<std::int16_t> sendRate;
        bool writtenBack;
    };
    const std::vector<Row> rows = {
        {"absent", std::nullopt, "once per second", 0, false},
        {"empty", "", "once per minute", 1, true},
        {"once per day", "once per day", "once per day", 3, false},
        {"another text", "every now and then", "every now and then", std::nullopt, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FakePlatform platform;
        if (row.stored) {
            platform.profile.WriteString("SerialSync", "serialrate", *row.stored,
                                         kFakeCorvantisIni);
        }
        platform.profile.log.clear();
        Window window;
        RestoreSerialRate(window, platform.settings);
        EXPECT_EQ(window.serialRate.Text(), row.shown);
        EXPECT_EQ(window.sendRate, row.sendRate);
        if (row.writtenBack) {
            EXPECT_EQ(platform.profile.log,
                      std::vector<std::string>{kFakeCorvantisIni +
                                               "|SerialSync|SERIALRATE=once per minute"});
        } else {
            EXPECT_TRUE(platform.profile.log.empty());
        }
    }
}

TEST(PortOverridesTest, ReadsTheNonEmptyComEntriesOneToSixteen) {
    FakePlatform platform;
    for (const auto& [key, device] :
         std::vector<std::pair<std::string, std::string>>{{"COM1", "/dev/ttyUSB0"},
                                                          {"com16", "/dev/ttyS3"},
                                                          {"COM3", ""},
                                                          {"COM17", "/dev/ttyS9"},
                                                          {"COM0", "/dev/ttyS8"}}) {
        platform.profile.WriteString("Ports", key, device, kFakeCorvantisIni);
    }
    EXPECT_EQ(ReadPortOverrides(platform.settings),
              (std::map<int, std::string>{{1, "/dev/ttyUSB0"}, {16, "/dev/ttyS3"}}));
}

}  // namespace
}  // namespace corvantis::testing
