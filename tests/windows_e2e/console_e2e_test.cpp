// corvantis.exe under wine, in a console: what it prints for the options.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/version.h"
#include "windows_e2e/support/wine_prefix.h"

namespace corvantis {
namespace {

using testing::WinePrefix;

TEST(WindowsConsole, OptionsAnswerOnTheParentsStreams) {
    struct Row {
        std::vector<std::string> arguments;
        int exitCode;
        std::string outStart;  // what standard output begins with
        std::string errPart;   // a piece standard error holds
    };
    const std::vector<Row> rows = {
        {{"--version"}, 0, "Corvantis " + std::string(kVersionText) + "\n", ""},
        {{"--help"}, 0, "Usage: corvantis.exe", ""},
        // Not understood: the reason and the usage on standard error, nothing else runs.
        {{"--bogus"}, 2, "", "Usage: corvantis.exe"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arguments.front());
        const auto result = WinePrefix::Shared().Run(CORVANTIS_WINDOWS_EXE, row.arguments);
        EXPECT_EQ(result.exitCode, row.exitCode);
        EXPECT_EQ(testing::UnixLines(result.out).substr(0, row.outStart.size()), row.outStart);
        EXPECT_NE(result.err.find(row.errPart), std::string::npos) << result.err;
    }
}

}  // namespace
}  // namespace corvantis
