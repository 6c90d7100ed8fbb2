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

}  // namespace
}  // namespace corvantis
