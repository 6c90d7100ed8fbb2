// The window's layout description: every control of the form in it exactly once, and the
// controls the operator can see lying inside their group, clear of each other.
#include "form/window_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

namespace corvantis {
namespace {

TEST(WindowLayout, EveryControlButTheTimersStandsInItExactlyOnce) {
    Window window;
    const WindowLayout layout = DescribeWindowLayout(window);
    std::map<std::string, int> seen;
    for (const Control* control : layout.Controls()) {
        ++seen[control->Name()];
    }
    std::size_t onScreen = 0;
    for (Control* control : window.Controls()) {
        SCOPED_TRACE(control->Name());
        const bool timer = dynamic_cast<Timer*>(control) != nullptr;
        EXPECT_EQ(seen[control->Name()], timer ? 0 : 1);
        onScreen += timer ? 0 : 1;
    }
    EXPECT_EQ(layout.Controls().size(), onScreen) << "nothing but the form's controls";
}

// A control the operator can see: shown in the design, or in a row that keeps its room for
// the control that comes there.
bool InSight(const LayoutRow& row, const LayoutCell& cell) {
    return cell.control != nullptr && (row.keepRoom || cell.control->Visible());
}

TEST(WindowLayout, ControlsInSightLieInsideTheirGroupAndClearOfEachOther) {
    Window window;
    window.pcLocalTime.SetVisible(false);  // as start-up leaves it
    const WindowLayout layout = DescribeWindowLayout(window);
    for (const LayoutGroup& group : layout.groups) {
        EXPECT_LE(group.x + group.width, layout.clientWidth - layout.margin);
        for (const LayoutRow& row : group.rows) {
            int previousRight = 0;
            for (const LayoutCell& cell : row.cells) {
                if (!InSight(row, cell)) {
                    continue;
                }
                SCOPED_TRACE(cell.control->Name());
                EXPECT_LE(cell.dy + cell.height, row.height) << "inside its row";
                if (cell.x == kAfterPrevious) {
                    continue;  // placed after its neighbour, as wide as its characters
                }
                EXPECT_GE(cell.x, previousRight) << "clear of the cell before it";
                EXPECT_LE(cell.x + cell.width, group.width) << "inside its group";
                previousRight = cell.x + cell.width;
            }
        }
    }
}

TEST(WindowLayout, TheTabOrderHoldsTheFocusableControlsInSightAndFollowsTheirState) {
    Window window;
    const WindowLayout layout = DescribeWindowLayout(window);
    const auto order = TabOrder(layout);
    EXPECT_EQ(order.front(), &window.autoDaylightSaving);
    EXPECT_EQ(order.back(), &window.closeAndExit) << "the way out comes last";
    for (const Control* control : order) {
        EXPECT_TRUE(TakesFocus(*control) && control->Visible()) << control->Name();
    }
    window.changeHour.SetEnabled(false);
    window.rulesWithTime.SetVisible(true);
    const auto changed = TabOrder(layout);
    EXPECT_EQ(std::count(changed.begin(), changed.end(), &window.changeHour), 0);
    EXPECT_EQ(std::count(changed.begin(), changed.end(), &window.rulesWithTime), 1);
}

}  // namespace
}  // namespace corvantis
