#include "profile_store_behaviour.h"

#include <filesystem>
#include <optional>
#include <vector>

#include "support/temp_dir.h"

namespace corvantis::testing {

std::string BackendName(const ::testing::TestParamInfo<ProfileStoreBackend>& info) {
    return info.param.name;
}

namespace {

constexpr std::size_t kReadIniCapacity = 750;

struct Write {
    std::string section;
    std::string key;
    std::string value;
};

struct Read {
    std::string section;
    std::string key;
    std::string fallback;
    std::string expected;
    std::size_t capacity = kReadIniCapacity;
};

struct Row {
    const char* name;
    std::optional<std::string> before{};  // nothing: no file
    std::vector<Write> writes{};
    std::vector<Read> reads{};
    std::optional<std::string> after{};  // nothing: only what is read back is compared
};

// Runs the row against a fresh file: writes it, makes the writes (each must succeed), then
// checks every read and, where the backend's bytes are comparable, the file's bytes.
void RunRow(const ProfileStoreBackend& backend, const Row& row) {
    SCOPED_TRACE(row.name);
    TempDir dir;
    const std::string file = dir.File("Corvantis.ini");
    if (row.before) {
        WriteFileBytes(file, *row.before);
    }
    const auto store = backend.make();
    for (const Write& write : row.writes) {
        EXPECT_TRUE(store->WriteString(write.section, write.key, write.value, file))
            << store->LastError();
    }
    for (const Read& read : row.reads) {
        EXPECT_EQ(store->GetString(read.section, read.key, read.fallback, read.capacity, file),
                  read.expected)
            << "[" << read.section << "] " << read.key;
    }
    if (row.after && backend.bytesComparable) {
        EXPECT_EQ(ReadFileBytes(file), *row.after);
    }
    if (!row.before && row.writes.empty()) {
        EXPECT_FALSE(std::filesystem::exists(file)) << "reading created the file";
    }
}

const std::string kLong(800, 'x');

const std::vector<Row> kReadRows = {
    {"a missing file gives the fallback", std::nullopt, {}, {{"GPS", "curraddress", "0", "0"}}},
    {"an absent section or key gives the fallback",
     "[GPS]\r\nCURRADDRESS=5\r\n",
     {},
     {{"UDP", "sendudp", "none", "none"},
      {"GPS", "newaddress", "0", "0"},
      {"GPS", "curraddress", "0", "5"}}},
    {"sections and keys match without regard to letter case",
     "[SERIALSYNC]\r\nSERIALRATE=once per hour\r\n",
     {},
     {{"SerialSync", "serialrate", "", "once per hour"},
      {"serialsync", "SerialRate", "", "once per hour"}}},
    {"blanks around keys, values and section names do not count",
     "[ GPS ]\r\n  CurrAddress  =  12  \r\n\tNewAddress\t=\t7\t\r\n",
     {},
     {{"GPS", "curraddress", "0", "12"}, {"GPS", "newaddress", "0", "7"}}},
    {"one pair of matching quotes is removed",
     "[GPS]\r\nA=\"a b\"\r\nB=\"x\r\nC=\"\"\r\nD='q'\r\nE=\"\"z\"\"\r\n",
     {},
     {{"GPS", "a", "", "a b"},
      {"GPS", "b", "", "\"x"},
      {"GPS", "c", "-", ""},
      {"GPS", "d", "", "q"},
      {"GPS", "e", "", "\"z\""}}},
    {"a key of another section is not found",
     "[GPS]\r\nA=1\r\n[UDP]\r\nB=2\r\n",
     {},
     {{"GPS", "b", "fallback", "fallback"}, {"UDP", "b", "", "2"}}},
    {"a key present with an empty value gives empty text, not the fallback",
     "[GPS]\r\nCURRADDRESS=\r\n",
     {},
     {{"GPS", "curraddress", "0", ""}}},
    {"a value is cut to the capacity less one",
     "[GPS]\r\nA=" + kLong + "\r\nB=abcdef\r\n",
     {},
     {{"GPS", "a", "", std::string(749, 'x')},
      {"GPS", "b", "", "abcd", 5},
      {"GPS", "b", "", "a", 2},
      {"GPS", "b", "", "", 1},
      {"GPS", "b", "", "", 0}}},
    {"the fallback is cut like a value and loses its trailing blanks",
     "[GPS]\r\n",
     {},
     {{"GPS", "a", "one two  ", "one two"},
      {"GPS", "a", "abcdef", "abc", 4},
      {"GPS", "a", "abcdef", "", 0}}},
    {"a UTF-8 byte-order mark at the start is skipped",
     "\xEF\xBB\xBF[GPS]\r\nA=1\r\n",
     {},
     {{"GPS", "a", "", "1"}}},
    {"lines may end in LF or CR alone",
     "[GPS]\nA=1\nB=2\n[UDP]\rC=3\rD=4\r",
     {},
     {{"GPS", "b", "", "2"}, {"UDP", "c", "", "3"}, {"UDP", "d", "", "4"}}},
    {"the first of duplicated keys and sections wins",
     "[GPS]\r\nA=1\r\nA=2\r\n[UDP]\r\nX=1\r\n[gps]\r\nA=3\r\n",
     {},
     {{"GPS", "a", "", "1"}}},
    {"a comment line is no entry", "[GPS]\r\n;A=1\r\n", {}, {{"GPS", "a", "fallback", "fallback"}}},
    {"a line without an equals sign is no entry",
     "[GPS]\r\nnote\r\n",
     {},
     {{"GPS", "note", "fallback", "fallback"}}},
    {"equals signs and semicolons after the first equals sign belong to the value",
     "[GPS]\r\nA=b=c\r\nB=1 ;c\r\n",
     {},
     {{"GPS", "a", "", "b=c"}, {"GPS", "b", "", "1 ;c"}}},
    {"a key only in a later section of the same name is not found",
     "[GPS]\r\nA=1\r\n[GPS]\r\nB=2\r\n",
     {},
     {{"GPS", "b", "fallback", "fallback"}}},
};

const std::vector<Row> kWriteRows = {
    {"a missing file is created with CR LF lines",
     std::nullopt,
     {{"GPS", "CURRADDRESS", "5"}},
     {{"GPS", "curraddress", "0", "5"}},
     "[GPS]\r\nCURRADDRESS=5\r\n"},
    {"an upper-case key written is found by a lower-case read",
     std::nullopt,
     {{"SerialSync", "SERIALRATE", "once per hour"}},
     {{"SerialSync", "serialrate", "", "once per hour"}},
     "[SerialSync]\r\nSERIALRATE=once per hour\r\n"},
    {"replacing keeps the key's spelling and its place",
     "[GPS]\r\nCurrAddress=1\r\nNewAddress=2\r\n",
     {{"GPS", "CURRADDRESS", "7"}},
     {{"GPS", "curraddress", "0", "7"}, {"GPS", "newaddress", "0", "2"}},
     "[GPS]\r\nCurrAddress=7\r\nNewAddress=2\r\n"},
    {"SerialRate written over serialrate is the same key",
     "[SerialSync]\r\nserialrate=once per second\r\n",
     {{"SerialSync", "SERIALRATE", "once per day"}},
     {{"SerialSync", "serialrate", "", "once per day"}},
     "[SerialSync]\r\nserialrate=once per day\r\n"},
    {"a new key goes after the last entry of its section",
     "[GPS]\r\nA=1\r\n[UDP]\r\nB=2\r\n",
     {{"gps", "C", "3"}},
     {{"GPS", "c", "", "3"}, {"UDP", "b", "", "2"}},
     "[GPS]\r\nA=1\r\nC=3\r\n[UDP]\r\nB=2\r\n"},
    {"a new section goes at the end of the file",
     "[GPS]\r\nA=1\r\n",
     {{"UDP", "SENDUDP", "1"}},
     {{"UDP", "sendudp", "", "1"}, {"GPS", "a", "", "1"}},
     "[GPS]\r\nA=1\r\n[UDP]\r\nSENDUDP=1\r\n"},
    {"of duplicated sections the first takes a new key",
     "[GPS]\r\nA=1\r\n[gps]\r\nB=2\r\n",
     {{"GPS", "B", "3"}},
     {{"GPS", "b", "", "3"}},
     "[GPS]\r\nA=1\r\nB=3\r\n[gps]\r\nB=2\r\n"},
    {"a file built key by key",
     std::nullopt,
     {{"App1", "key1", "string1"},
      {"App1", "key2", "string2"},
      {"App1", "key3", "string3"},
      {"App2", "key4", "string4"},
      {"App3", "key5", "string5"}},
     {},
     "[App1]\r\nkey1=string1\r\nkey2=string2\r\nkey3=string3\r\n[App2]\r\nkey4=string4\r\n"
     "[App3]\r\nkey5=string5\r\n"},
    {"comment lines and untouched lines keep their bytes",
     "; Vesper clocks\r\n[GPS]\r\n; clock address\r\nCurrAddress=1\r\nX=y\r\n",
     {{"GPS", "CURRADDRESS", "2"}},
     {{"GPS", "curraddress", "", "2"}},
     "; Vesper clocks\r\n[GPS]\r\n; clock address\r\nCurrAddress=2\r\nX=y\r\n"},
    {"an empty value is stored and read back empty",
     std::nullopt,
     {{"App", "key", ""}},
     {{"App", "key", "fallback", ""}},
     "[App]\r\nkey=\r\n"},
    {"a long value is stored whole and read back cut to 749",
     std::nullopt,
     {{"GPS", "A", kLong}},
     {{"GPS", "a", "", std::string(749, 'x')}},
     "[GPS]\r\nA=" + kLong + "\r\n"},
    // Rows whose bytes the Windows functions may lay out otherwise: only what is read back is
    // compared. Wine rewrites the whole file at each write: every line with CR LF, blank lines
    // dropped, blanks around names and values dropped, a blank at the start of a value too.
    // The store of this program keeps the file's own layout instead (checked with its bytes
    // in its own tests).
    {"a new key goes before the blank line that precedes the next section",
     "[GPS]\r\nA=1\r\n\r\n[UDP]\r\nB=2\r\n",
     {{"gps", "C", "3"}},
     {{"GPS", "c", "", "3"}, {"GPS", "a", "", "1"}, {"UDP", "b", "", "2"}}},
    {"a blank-led value reads back without its blank",
     "[GPS]\r\nA=1\r\n",
     {{"UDP", "SENDUDP", " 1"}, {"GPS", "AUTOSTART", " 0"}},
     {{"UDP", "sendudp", "", "1"}, {"GPS", "autostart", "", "0"}, {"GPS", "a", "", "1"}}},
    {"a file with LF lines takes a new key",
     "[GPS]\nA=1\n",
     {{"GPS", "B", "2"}},
     {{"GPS", "a", "", "1"}, {"GPS", "b", "", "2"}}},
    {"a file without a last line end takes a new key",
     "[GPS]\r\nA=1",
     {{"GPS", "B", "2"}, {"UDP", "C", "3"}},
     {{"GPS", "a", "", "1"}, {"GPS", "b", "", "2"}, {"UDP", "c", "", "3"}}},
    {"a file with a byte-order mark takes a new key",
     "\xEF\xBB\xBF[GPS]\r\nA=1\r\n",
     {{"GPS", "B", "2"}},
     {{"GPS", "a", "", "1"}, {"GPS", "b", "", "2"}}},
};

}  // namespace

TEST_P(ProfileStoreBehaviour, ReadsAsTheProfileFunctionsDo) {
    for (const Row& row : kReadRows) {
        RunRow(GetParam(), row);
    }
}

TEST_P(ProfileStoreBehaviour, WritesAsTheProfileFunctionsDo) {
    for (const Row& row : kWriteRows) {
        RunRow(GetParam(), row);
    }
}

TEST_P(ProfileStoreBehaviour, AWriteThatCannotBeMadeFailsAndNamesTheFile) {
    TempDir dir;
    // A regular file where the settings folder should be: no process can create files in it.
    const std::string blocker = dir.File("not-a-folder");
    WriteFileBytes(blocker, "x");
    const std::string file =
        blocker + (blocker.find('\\') != std::string::npos ? "\\" : "/") + "Corvantis.ini";
    const auto store = GetParam().make();
    EXPECT_FALSE(store->WriteString("GPS", "CURRADDRESS", "5", file));
    EXPECT_NE(store->LastError().find(file), std::string::npos) << store->LastError();
    EXPECT_GT(store->LastError().size(), file.size() + 2) << "no reason given";
    EXPECT_EQ(store->GetString("GPS", "curraddress", "0", kReadIniCapacity, file), "0");
    EXPECT_EQ(ReadFileBytes(blocker), "x");
}

}  // namespace corvantis::testing
