// The window's layout, described once for every view: its groups (the title lines, the
// "Display Rule Configuration" frame, the serial-line column beside it, the traffic on the
// line, the warning line with the way out), their rows of controls, each control's place,
// size and look. A view draws this description with its own toolkit and adds only what is
// its own (fonts, DPI, native styles, the icon beside the title, message handling).
//
// Places and sizes are dialog units of the window's font: a quarter of its average
// character width across, an eighth of its line height down. Toolkits that place controls
// at fixed points (Win32) take them as they are; toolkits that lay controls out in grids
// (Qt) take each cell's grid column and span and size controls by their contents, using
// the character counts (`columns`) for text boxes and lists.
//
// The order of the groups, of their rows and of the cells in each row is the window's tab
// order: the keyboard visits the controls that take the focus in that order.
#pragma once

#include <string>
#include <vector>

#include "form/window.h"

namespace corvantis {

// How a caption is drawn: in the window's font, in bold (a rule's title), as the window's
// title (bold, half as large again), or as "Please Wait!" (bold, in red where the theme
// allows colours).
enum class CaptionLook { Normal, Bold, Title, Wait };
// Where a caption stands in its cell.
enum class CellAlign { Left, Center, Right };

// A cell's x that puts it kNextToPrevious units right of the previous cell of its row.
inline constexpr int kAfterPrevious = -1;
inline constexpr int kNextToPrevious = 4;

// One control in a row.
struct LayoutCell {
    // The control drawn here; nullptr stands for the window's warning line, which is the
    // view's own and not a control of the form.
    Control* control = nullptr;
    int x = 0;  // from the group's left edge; kAfterPrevious: after the previous cell
    int width = 0;
    int height = 0;
    int dy = 0;  // from the row's top
    // Text boxes and lists: how many characters of its font the control shows. A text box
    // with exactColumns is exactly that wide (its width is unused); otherwise a text box is
    // at least that wide, and a list holds entries of that many characters.
    int columns = 0;
    bool exactColumns = false;
    CaptionLook look = CaptionLook::Normal;
    CellAlign align = CellAlign::Left;
    // For grids: the column the cell starts in and how many it spans. Cells of one row that
    // share a column stand side by side in it.
    int column = 0;
    int span = 1;
};

enum class RowKind {
    Controls,  // controls side by side
    Pair,      // a caption and the list it names; a run of pairs lines its lists up
    Gap,       // room between rows, no controls
    // The title of a section: its cells drop into the row by the room above the section,
    // which grids give as a gap row of their own before it.
    Section,
};

struct LayoutRow {
    RowKind kind = RowKind::Controls;
    int height = 0;
    std::vector<LayoutCell> cells;
    // A row whose controls are all hidden takes no room, unless it keeps its room: the
    // controls that come and go while the program runs ("Please Wait!", the clock's reply)
    // move nothing around them.
    bool keepRoom = false;
};

enum class GroupId { Header, Rules, Link, Traffic, Footer };

struct LayoutGroup {
    GroupId id = GroupId::Header;
    // Drawn around the group's rows, or nullptr.
    Frame* frame = nullptr;
    int x = 0;
    int width = 0;
    // Room above the group, from the group above it; a group beside the previous one
    // stands at that group's top instead.
    int gapAbove = 0;
    bool besidePrevious = false;
    // The rows stack one beneath another rather than lining their cells up in one grid
    // (runs of Pair rows still line up among themselves).
    bool stacked = false;
    // Grid columns that take the width to spare, in this order of preference.
    std::vector<int> stretchColumns;
    std::vector<LayoutRow> rows;
};

struct WindowLayout {
    int margin = 0;       // around the groups
    int clientWidth = 0;  // the client area's width, margins included
    std::vector<LayoutGroup> groups;

    const LayoutGroup& Group(GroupId id) const;
    // Every control of the description, in tab order (labels and frames too).
    std::vector<Control*> Controls() const;
};

// The window's layout. It refers to the controls of `window`, which must outlive it.
WindowLayout DescribeWindowLayout(Window& window);

// The controls of `layout` that the keyboard visits, in tab order: those that take the
// focus (buttons, check boxes, options, text boxes, lists), shown and enabled.
std::vector<Control*> TabOrder(const WindowLayout& layout);

// Whether `control` can take the focus at all (labels and frames cannot).
bool TakesFocus(const Control& control);

}  // namespace corvantis
