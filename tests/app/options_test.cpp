#include "app/options.h"

#include <gtest/gtest.h>

#include <sstream>

#include "platform/failure.h"

namespace corvantis {
namespace {

using Arguments = std::vector<std::string>;

TEST(OptionsTest, ReadsTheModeAndTheSettingsFolder) {
    const Options none = ParseOptions({});
    EXPECT_FALSE(none.headless);
    EXPECT_FALSE(none.settingsDir.has_value());

    const Options both = ParseOptions(Arguments{"--headless", "--settings-dir", "/srv/clocks"});
    EXPECT_TRUE(both.headless);
    EXPECT_EQ(both.settingsDir, "/srv/clocks");
    EXPECT_EQ(ParseOptions(Arguments{"--settings-dir=/srv/b"}).settingsDir, "/srv/b");
    EXPECT_EQ(ParseOptions(Arguments{"--settings-dir=/a", "--settings-dir", "/c"}).settingsDir,
              "/c")
        << "the last one wins";
    EXPECT_TRUE(ParseOptions(Arguments{"--help"}).help);
    EXPECT_TRUE(ParseOptions(Arguments{"--version"}).version);
}

// --verbose puts each failure passed over on purpose on the error stream; without it the
// stream stays quiet.
TEST(OptionsTest, VerboseTracesTheFailuresPassedOverOnPurpose) {
    for (const bool verbose : {true, false}) {
        SCOPED_TRACE(verbose ? "verbose" : "quiet");
        const Options options = ParseOptions(verbose ? Arguments{"--verbose"} : Arguments{});
        EXPECT_EQ(options.verbose, verbose);
        std::ostringstream err;
        TraceSkippedFailures(options, err);
        SkipSilently([] { throw Failure(8010, "COM4: no such device"); });
        TraceSkippedFailures(Options{}, err);
        EXPECT_EQ(err.str().find(": COM4: no such device (8010)\n") != std::string::npos, verbose)
            << err.str();
    }
    EXPECT_NE(Usage("corvantis").find("--verbose"), std::string::npos);
}

TEST(OptionsTest, ReadsTheRuleCheck) {
    EXPECT_FALSE(ParseOptions({}).checkRules);
    EXPECT_EQ(ParseOptions({}).checkYears, 5);
    const Options check = ParseOptions(Arguments{"--check-rules", "--years", "12"});
    EXPECT_TRUE(check.checkRules);
    EXPECT_EQ(check.checkYears, 12);
}

TEST(OptionsTest, ReadsTheStatusAndTheMetricsFile) {
    EXPECT_FALSE(ParseOptions({}).status);
    EXPECT_FALSE(ParseOptions({}).metricsFile.has_value());
    const Options both = ParseOptions(Arguments{"--status", "--metrics-file", "/run/c.prom"});
    EXPECT_TRUE(both.status);
    EXPECT_EQ(both.metricsFile, "/run/c.prom");
    EXPECT_EQ(ParseOptions(Arguments{"--metrics-file=/a.prom"}).metricsFile, "/a.prom");
}

TEST(OptionsTest, RefusesWhatItDoesNotUnderstand) {
    for (const Arguments& arguments :
         {Arguments{"--settings-dir"}, Arguments{"--settings-dir="},
          Arguments{"--settings-dir", ""}, Arguments{"--settings-directory=/x"},
          Arguments{"/srv/a"}, Arguments{"-x"}, Arguments{"--years"}, Arguments{"--years", "0"},
          Arguments{"--years", "51"}, Arguments{"--years", "5x"}, Arguments{"--metrics-file"},
          Arguments{"--metrics-file="}, Arguments{"--metrics-files=/x"}}) {
        EXPECT_FALSE(ParseOptions(arguments).error.empty()) << arguments.front();
    }
    EXPECT_NE(Usage("corvantis").find("--settings-dir DIR"), std::string::npos);
}

// The service options are corvantis.exe's, each alone (beside --settings-dir); anything else
// is refused before anything starts.
TEST(OptionsTest, ServiceOptionsRunAloneAndOnlyOnWindows) {
    struct Row {
        Arguments arguments;
        const char* program;
        int exitCode;  // of AnswerWithoutStarting; -1: the program starts
    };
    const Row rows[] = {
        {{"--install-service", "hall", "--settings-dir", "D:\\Clocks"}, "corvantis.exe", -1},
        {{"--uninstall-service", "hall"}, "corvantis.exe", -1},
        {{"--service", "hall"}, "corvantis.exe", -1},
        {{"--service"}, "corvantis.exe", 2},              // no name
        {{"--install-service", ""}, "corvantis.exe", 2},  // an empty name
        {{"--service", "hall", "--headless"}, "corvantis.exe", 2},
        {{"--install-service", "a", "--uninstall-service", "a"}, "corvantis.exe", 2},
        {{"--service", "hall", "--check-rules"}, "corvantis.exe", 2},
        {{"--install-service", "hall"}, "corvantis", 2},  // Linux has the systemd unit
        {{"--service", "hall"}, "corvantis-headless", 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.program + (" " + row.arguments.front()));
        const Options options = ParseOptions(row.arguments);
        std::ostringstream out, err;
        const auto code = AnswerWithoutStarting(options, row.program, out, err);
        EXPECT_EQ(code.value_or(-1), row.exitCode) << err.str();
    }
    const Options install = ParseOptions(Arguments{"--install-service", "hall"});
    EXPECT_EQ(install.installService, "hall");
    EXPECT_FALSE(install.service.has_value());
    EXPECT_NE(Usage("corvantis.exe").find("--install-service NAME"), std::string::npos);
    EXPECT_EQ(Usage("corvantis").find("--install-service"), std::string::npos);
}

}  // namespace
}  // namespace corvantis
