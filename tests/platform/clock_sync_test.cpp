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

}  // namespace
}  // namespace corvantis
