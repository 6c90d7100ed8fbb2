#include "platform/win32/win32_profile_store.h"

#include <gtest/gtest.h>

#include <string>

#include "support/temp_dir.h"

namespace corvantis {
namespace {

using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;

constexpr std::size_t kCapacity = 750;

// A file as the program writes it: upper-case keys, CRLF lines.
constexpr const char* kStoredFile =
    "[GPS]\r\n"
    "CURRADDRESS=5\r\n"
    "COMPORT=\r\n"
    "[CommMethod]\r\n"
    "DSTHOUR=3\r\n"
    "[UDP]\r\n"
    "SENDUDP= 1 \r\n"
    "UDPADDRESS=\"10.0.0.1\"\r\n";

struct ReadCase {
    const char* reason;
    const char* section;
    const char* key;
    const char* fallback;
    std::size_t capacity;
    const char* expected;
};

class Win32ProfileStoreReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(Win32ProfileStoreReadTest, ReadsTheStoredFile) {
    const ReadCase& row = GetParam();
    TempDir dir;
    const std::string file = dir.File("Corvantis.ini");
    WriteFileBytes(file, kStoredFile);
    Win32ProfileStore store;

    EXPECT_EQ(store.GetString(row.section, row.key, row.fallback, row.capacity, file), row.expected)
        << row.reason;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Win32ProfileStoreReadTest,
    ::testing::Values(
        ReadCase{"upper-case key found by a lower-case read", "GPS", "curraddress", "0", kCapacity,
                 "5"},
        ReadCase{"section matched without regard to case", "gps", "CurrAddress", "0", kCapacity,
                 "5"},
        ReadCase{"empty value is empty text, not the default", "GPS", "comport", "None", kCapacity,
                 ""},
        ReadCase{"absent key gives the default", "GPS", "newaddress", "0", kCapacity, "0"},
        ReadCase{"absent section gives the default", "SerialSync", "comport", "None", kCapacity,
                 "None"},
        ReadCase{"a key of another section is not found", "GPS", "dsthour", "2", kCapacity, "2"},
        ReadCase{"second section", "CommMethod", "dsthour", "2", kCapacity, "3"},
        ReadCase{"capacity 2 leaves one character", "CommMethod", "dsthour", "2", 2, "3"},
        ReadCase{"capacity 1 leaves nothing", "GPS", "curraddress", "0", 1, ""},
        ReadCase{"capacity 0 leaves nothing", "GPS", "curraddress", "0", 0, ""},
        ReadCase{"the default is cut like a value", "GPS", "absent", "abcdef", 4, "abc"},
        // What the system adds to the profile rules; no value the program reads depends on it.
        ReadCase{"blanks around a value are dropped", "UDP", "sendudp", "0", kCapacity, "1"},
        ReadCase{"quotes around a value are dropped", "UDP", "udpaddress", "", kCapacity,
                 "10.0.0.1"},
        ReadCase{"trailing blanks of the default are dropped", "UDP", "absent", "dflt  ", kCapacity,
                 "dflt"}));

TEST(Win32ProfileStoreTest, MissingFileGivesTheDefaultAndIsNotCreatedByReading) {
    TempDir dir;
    const std::string file = dir.File("data.ini");
    Win32ProfileStore store;

    EXPECT_EQ(store.GetString("CommMethod", "dsthour", "2", kCapacity, file), "2");
    EXPECT_EQ(ReadFileBytes(file), "");
}

TEST(Win32ProfileStoreTest, WritesReplaceInPlaceOrAppendToSectionAndFile) {
    TempDir dir;
    const std::string file = dir.File("Corvantis.ini");
    WriteFileBytes(file,
                   "[GPS]\r\n"
                   "CURRADDRESS=5\r\n"
                   "COMPORT=\r\n"
                   "[CommMethod]\r\n"
                   "DSTHOUR=3\r\n");
    Win32ProfileStore store;

    ASSERT_TRUE(store.WriteString("gps", "CURRADDRESS", "7", file));      // replaced in place
    ASSERT_TRUE(store.WriteString("GPS", "NEWADDRESS", "0", file));       // end of its section
    ASSERT_TRUE(store.WriteString("SerialSync", "SENDSYNC", "1", file));  // new section at the end
    ASSERT_TRUE(store.WriteString("CommMethod", "DSTHOUR", "", file));    // empty value

    EXPECT_EQ(ReadFileBytes(file),
              "[GPS]\r\n"
              "CURRADDRESS=7\r\n"
              "COMPORT=\r\n"
              "NEWADDRESS=0\r\n"
              "[CommMethod]\r\n"
              "DSTHOUR=\r\n"
              "[SerialSync]\r\n"
              "SENDSYNC=1\r\n");
}

TEST(Win32ProfileStoreTest, WriteIntoAMissingFolderFailsAndNamesTheFile) {
    TempDir dir;
    const std::string file = dir.File("no-such-folder\\data.ini");
    Win32ProfileStore store;

    EXPECT_FALSE(store.WriteString("CommMethod", "DSTHOUR", "2", file));

    EXPECT_NE(store.LastError().find(file), std::string::npos) << store.LastError();
    EXPECT_GT(store.LastError().size(), file.size() + 2) << "no reason given";
}

}  // namespace
}  // namespace corvantis
