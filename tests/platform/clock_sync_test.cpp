// The PC clock's synchronisation in words: what deserves the warning line.
#include "platform/clock_sync.h"

#include <gtest/gtest.h>

namespace corvantis {
namespace {

TEST(ClockSyncTest, Warnings) {
    struct Row {
        ClockSyncStatus status;
        const char* warning;
    };
    const Row rows[] = {
        {{false, false, std::nullopt}, ""},  // the OS does not say: nothing to claim
        {{true, true, 0.002}, ""},
        {{true, true, 0.5}, ""},  // the limit itself is still fine
        {{true, true, std::nullopt}, ""},
        {{true, true, 2.25},
         "This PC's clock may be off by up to 2.2 s (its own estimate): the clocks inherit that "
         "error."},
        {{true, false, 0.001},
         "This PC's clock is not synchronised to a time server: the clocks show its time with "
         "whatever error it has."},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ClockSyncWarning(row.status), row.warning);
    }
}

TEST(ClockSyncTest, WindowsTimeService) {
    constexpr unsigned long kAutomatic = 2, kOnDemand = 3, kDisabled = 4;
    struct Row {
        const char* name;
        WindowsTimeFacts facts;
        bool known;
        bool synchronised;
    };
    const Row rows[] = {
        {"a source steers the rate", {true, kOnDemand, "NTP", false, true}, true, true},
        {"another program steers it", {false, {}, {}, {}, true}, true, true},
        {"running with a source", {true, kAutomatic, "NT5DS", true, false}, true, true},
        {"disabled", {true, kDisabled, "NTP", false, false}, true, false},
        {"follows nothing", {true, kAutomatic, "NoSync", true, false}, true, false},
        {"follows nothing, any case", {true, kOnDemand, "NOSYNC", {}, {}}, true, false},
        {"starts now and then", {true, kOnDemand, "NTP", false, false}, false, false},
        {"running, no source named", {true, kAutomatic, {}, true, false}, false, false},
        {"no time service", {false, {}, {}, {}, false}, false, false},
        {"nothing readable", {}, false, false},
    };
    for (const Row& row : rows) {
        const ClockSyncStatus status = JudgeWindowsTime(row.facts);
        EXPECT_EQ(status.known, row.known) << row.name;
        EXPECT_EQ(status.synchronised, row.synchronised) << row.name;
        EXPECT_EQ(ClockSyncWarning(status).empty(), !row.known || row.synchronised) << row.name;
    }
}

}  // namespace
}  // namespace corvantis
