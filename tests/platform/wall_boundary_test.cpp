#include "platform/wall_boundary.h"

#include <gtest/gtest.h>

namespace corvantis {
namespace {

using namespace std::chrono_literals;
using std::chrono::nanoseconds;

TEST(NextBoundaryTest, IsTheFirstMultipleStrictlyAfterNow) {
    struct Row {
        nanoseconds now;
        nanoseconds interval;
        nanoseconds expected;
    };
    for (const Row& row : std::initializer_list<Row>{
             {0ns, 100ms, 100ms},
             {1ns, 100ms, 100ms},
             {99'999'999ns, 100ms, 100ms},
             {100ms, 100ms, 200ms},  // on a boundary: the next one, never the same again
             {1'700'000'000'050ms, 100ms, 1'700'000'000'100ms},
             {-50ms, 100ms, 0ns},  // before 1970
             {-100ms, 100ms, 0ns},
             {1500ms, 1000ms, 2000ms},
             {0ns, 100ns, 100ns},
             {99ns, 100ns, 100ns},
             {100ns, 100ns, 200ns},
             {-1ns, 100ns, 0ns},
             {-100ns, 100ns, 0ns},
             {-101ns, 100ns, -100ns},
             {1'999'999'999ns, 2s, 2s},
         }) {
        EXPECT_EQ(NextBoundary(row.now, row.interval), row.expected)
            << row.now.count() << " " << row.interval.count();
    }
}

}  // namespace
}  // namespace corvantis
