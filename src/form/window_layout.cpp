#include "form/window_layout.h"

#include <stdexcept>

namespace corvantis {
namespace {

// The window's frame of groups.
constexpr int kMargin = 7;
constexpr int kFrameWidth = 256;
constexpr int kRightX = kMargin + kFrameWidth + 10;  // the serial-line column
constexpr int kRightWidth = 196;
constexpr int kClientWidth = kRightX + kRightWidth + kMargin;
constexpr int kFullWidth = kClientWidth - 2 * kMargin;  // a group from margin to margin
constexpr int kFrameIndent = 8;                         // the frame's rows from its left edge

// Heights of the controls, and of the rows that hold them.
constexpr int kLabelHeight = 8;
constexpr int kCheckHeight = 10;
constexpr int kFieldHeight = 12;  // a list's edit field, a text box
constexpr int kButtonHeight = 14;
constexpr int kCaptionRow = 10;  // a line of text above or below others
constexpr int kCheckRow = 14;
constexpr int kFieldRow = 16;
constexpr int kButtonRow = 18;
constexpr int kGapRow = 4;
constexpr int kBesideField = 2;   // drop of a caption beside a field, to the field's text
constexpr int kOpensSection = 4;  // drop of a control that opens a section

// The serial-line column: where its lists start.
constexpr int kListX = 150;
constexpr int kNarrowListX = 110;
constexpr int kShortButtonWidth = 80;  // "Close and Exit", "Hide Program"

// The traffic beneath: the message texts' column, the width of the PC-time fields.
constexpr int kMessageX = 166;
constexpr int kTimeWidth = 150;
constexpr int kLineWidth = 300;  // the caption and text of the line beneath both

// Widths in characters: clock replies are shown up to 36 characters at a time (one more
// keeps the caret clear); the PC's date and time; the clock's seconds. Lists: the widest
// entry each kind of list is expected to hold, so lists of one kind line up.
constexpr int kMessageColumns = 37;
constexpr int kTimeColumns = 24;
constexpr int kSecondsColumns = 3;
constexpr int kOffsetColumns = 5;
constexpr int kOccurrenceColumns = 6;
constexpr int kWeekdayColumns = 4;
constexpr int kMonthColumns = 4;
constexpr int kDayColumns = 3;
constexpr int kHourColumns = 3;
constexpr int kPortColumns = 7;
constexpr int kAddressColumns = 4;
constexpr int kRateColumns = 15;

// The frame's grid: an indent column, then the rule's sentence in six columns.
constexpr int kRuleGridColumns = 7;

LayoutRow Gap() {
    return {RowKind::Gap, kGapRow, {}, false};
}

// A control across the whole row of a grid of `span` columns.
LayoutRow Across(Control& control, int height, LayoutCell cell, int span) {
    cell.control = &control;
    cell.span = span;
    return {RowKind::Controls, height, {cell}, false};
}

LayoutCell Cell(Control& control, int x, int width, int height, int dy = 0) {
    LayoutCell cell;
    cell.control = &control;
    cell.x = x;
    cell.width = width;
    cell.height = height;
    cell.dy = dy;
    return cell;
}

LayoutCell Placed(LayoutCell cell, int column, int span = 1) {
    cell.column = column;
    cell.span = span;
    return cell;
}

LayoutCell Looking(LayoutCell cell, CaptionLook look, CellAlign align = CellAlign::Left) {
    cell.look = look;
    cell.align = align;
    return cell;
}

LayoutCell ListOf(ComboBox& list, int x, int width, int columns, int column) {
    LayoutCell cell = Placed(Cell(list, x, width, kFieldHeight), column);
    cell.columns = columns;
    return cell;
}

// A text box `columns` characters wide, exactly or at least.
LayoutCell BoxOf(TextBox& box, int x, int width, int columns, bool exact, int column) {
    LayoutCell cell = Placed(Cell(box, x, width, kFieldHeight), column);
    cell.columns = columns;
    cell.exactColumns = exact;
    return cell;
}

LayoutGroup Header(Window& w) {
    LayoutGroup header{GroupId::Header, nullptr, kMargin, kFullWidth, 0, false, false, {0}, {}};
    header.rows.push_back({RowKind::Controls,
                           kCheckRow,
                           {Looking(Cell(w.Label6, 0, 300, 13), CaptionLook::Title),
                            Placed(Looking(Cell(w.Label2, 362, 100, kLabelHeight, kBesideField),
                                           CaptionLook::Normal, CellAlign::Right),
                                   1)},
                           false});
    header.rows.push_back({RowKind::Controls, kCheckRow, {Cell(w.Label5, 0, 360, kLabelHeight)}});
    return header;
}

// A caption and its list in the frame: the caption over the first columns, the list beside.
LayoutRow FramePair(Label& caption, ComboBox& list, int columns) {
    return {RowKind::Pair,
            kFieldRow,
            {Placed(Cell(caption, kFrameIndent, 128, kLabelHeight, kBesideField), 0, 4),
             Placed(ListOf(list, 140, 52, columns, 4), 4, 2)},
            false};
}

// One display rule's controls: a sentence read across, occurrence, weekday, "of", month,
// "or", day of the month, with captions above the lists; its bold title opens a section.
struct Rule {
    Label& title;
    Label& occurrenceCaption;
    Label& weekdayCaption;
    Label& dayCaption;
    ComboBox& occurrence;
    ComboBox& weekday;
    Label& of;
    ComboBox& month;
    Label& orCaption;
    ComboBox& day;
};

void AddRule(std::vector<LayoutRow>& rows, const Rule& rule) {
    constexpr int kOccurrenceX = 16;
    constexpr int kWeekdayX = 68;
    constexpr int kDayX = 178;
    LayoutRow title =
        Across(rule.title, kCheckRow,
               Looking(Cell(rule.title, kFrameIndent, 200, kLabelHeight, kOpensSection),
                       CaptionLook::Bold),
               kRuleGridColumns);
    title.kind = RowKind::Section;
    rows.push_back(title);
    rows.push_back({RowKind::Controls,
                    kCaptionRow,
                    {Placed(Cell(rule.occurrenceCaption, kOccurrenceX, 48, kLabelHeight), 1),
                     Placed(Cell(rule.weekdayCaption, kWeekdayX, 52, kLabelHeight), 2),
                     Placed(Cell(rule.dayCaption, kDayX, 72, kLabelHeight), 6)}});
    const auto centred = [](Label& label, int x, int width, int column) {
        return Placed(Looking(Cell(label, x, width, kLabelHeight, kBesideField),
                              CaptionLook::Normal, CellAlign::Center),
                      column);
    };
    rows.push_back(
        {RowKind::Controls,
         kFieldRow,
         {ListOf(rule.occurrence, kOccurrenceX, 48, kOccurrenceColumns, 1),
          ListOf(rule.weekday, kWeekdayX, 40, kWeekdayColumns, 2), centred(rule.of, 108, 14, 3),
          ListOf(rule.month, 122, 40, kMonthColumns, 4), centred(rule.orCaption, 162, 16, 5),
          ListOf(rule.day, kDayX, 36, kDayColumns, 6)}});
}

LayoutGroup Rules(Window& w) {
    constexpr int kRowWidth = 240;  // a line of text across the frame
    LayoutGroup rules{GroupId::Rules, &w.Frame1,          kMargin, kFrameWidth, 4, false,
                      false,          {kRuleGridColumns}, {}};
    auto& rows = rules.rows;
    rows.push_back(Across(w.Check7, kCheckRow, Cell(w.Check7, kFrameIndent, 200, kCheckHeight),
                          kRuleGridColumns));
    rows.push_back(FramePair(w.Label15, w.HourOffset, kOffsetColumns));
    AddRule(rows, {w.Label29, w.Label18, w.Label19, w.Label31, w.Combo12, w.Combo11, w.Label26,
                   w.Combo10, w.Label27, w.Combo7});
    AddRule(rows, {w.Label30, w.Label21, w.Label22, w.Label23, w.Combo9, w.Combo5, w.Label20,
                   w.Combo6, w.Label28, w.Combo8});
    rows.push_back(Gap());
    rows.push_back(FramePair(w.Label16, w.Combo13, kHourColumns));
    rows.push_back(FramePair(w.Label17, w.Combo14, kHourColumns));
    for (Label* note : {&w.Label12, &w.Label32}) {
        rows.push_back(Across(*note, kCaptionRow,
                              Cell(*note, kFrameIndent, kRowWidth, kLabelHeight),
                              kRuleGridColumns));
    }
    rows.push_back(Across(w.UseZone, kButtonRow,
                          Cell(w.UseZone, kFrameIndent, 184, kButtonHeight, kBesideField),
                          kRuleGridColumns));
    return rules;
}

// A caption and its list in the serial-line column, the list from `listX` to the edge.
LayoutRow LinkPair(Label& caption, ComboBox& list, int columns, int listX = kListX) {
    return {RowKind::Pair,
            kFieldRow,
            {Cell(caption, 0, listX - kNextToPrevious, kLabelHeight, kBesideField),
             ListOf(list, listX, kRightWidth - listX, columns, 1)},
            false};
}

LayoutRow Whole(Control& control, int height, int controlHeight, int width = kRightWidth) {
    return {RowKind::Controls, height, {Cell(control, 0, width, controlHeight)}, false};
}

void AddLinkCommands(Window& w, std::vector<LayoutRow>& rows) {
    rows.push_back(Gap());
    rows.push_back(Whole(w.SendAddr, kButtonRow, kButtonHeight));
    rows.push_back(Whole(w.Command2, kButtonRow, kButtonHeight));
    rows.push_back(
        {RowKind::Controls,
         kButtonRow,
         {Cell(w.Command3, 0, 62, kButtonHeight), Cell(w.Command5, 66, 62, kButtonHeight),
          Cell(w.Command6, 132, 64, kButtonHeight)}});
    rows.push_back({RowKind::Controls,
                    kCheckRow,
                    {Looking(Cell(w.Label33, 0, kRightWidth, kCheckHeight, kBesideField),
                             CaptionLook::Wait, CellAlign::Center)},
                    true});
}

LayoutGroup Link(Window& w) {
    LayoutGroup link{GroupId::Link, nullptr, kRightX, kRightWidth, 0, true, true, {0}, {}};
    auto& rows = link.rows;
    rows.push_back(
        {RowKind::Controls, kCheckRow, {Cell(w.Check8, 0, 120, kCheckHeight, kOpensSection)}});
    rows.push_back(Whole(w.Check2, kCheckRow, kCheckHeight, 120));
    rows.push_back(LinkPair(w.Label10, w.Combo2, kPortColumns));
    rows.push_back(LinkPair(w.Label11, w.SerialRate, kRateColumns, kNarrowListX));
    rows.push_back(LinkPair(w.Label1, w.Combo1, kPortColumns));
    rows.push_back(LinkPair(w.Label34, w.CurrAddress, kAddressColumns));
    rows.push_back(LinkPair(w.Label35, w.NewAddress, kAddressColumns));
    AddLinkCommands(w, rows);
    // The settings the design keeps out of sight.
    rows.push_back(
        {RowKind::Controls,
         kCheckRow,
         {Cell(w.Option1[0], 0, 40, kCheckHeight), Cell(w.Option1[1], 44, 50, kCheckHeight)}});
    rows.push_back(Whole(w.Check1, kCheckRow, kCheckHeight));
    rows.push_back(LinkPair(w.Label4, w.UDPaddress, kRateColumns, kNarrowListX));
    rows.push_back(LinkPair(w.Label9, w.UDPrate, kRateColumns, kNarrowListX));
    rows.push_back(LinkPair(w.Label13, w.Combo3, kHourColumns));
    rows.push_back(LinkPair(w.Label14, w.Combo4, kHourColumns));
    for (CheckBox* box : {&w.Check3, &w.Check4, &w.Check5, &w.Check6, &w.AutoStart}) {
        rows.push_back(Whole(*box, kCheckRow, kCheckHeight));
    }
    rows.push_back(Whole(w.Command4, kButtonRow, kButtonHeight, kShortButtonWidth));
    return link;
}

// The PC's time beside the message sent, the clock's reply beneath the message so the two
// line up character by character.
LayoutGroup Traffic(Window& w) {
    LayoutGroup traffic{GroupId::Traffic, nullptr, kMargin, kFullWidth, 8, false, false,
                        {0, 3},           {}};
    auto& rows = traffic.rows;
    rows.push_back({RowKind::Controls,
                    kCaptionRow,
                    {Cell(w.Label8, 0, kTimeWidth, kLabelHeight),
                     Placed(Cell(w.Label3, kMessageX, kTimeWidth, kLabelHeight), 1)}});
    rows.push_back({RowKind::Controls,
                    kFieldRow,
                    {BoxOf(w.txtPCtime, 0, kTimeWidth, kTimeColumns, false, 0),
                     BoxOf(w.txtLocalTime, 0, kTimeWidth, kTimeColumns, false, 0),
                     BoxOf(w.Text1, kMessageX, 0, kMessageColumns, true, 1)}});
    rows.push_back({RowKind::Controls,
                    kCaptionRow,
                    {Cell(w.Label7, 0, kTimeWidth, kLabelHeight),
                     Placed(Cell(w.Label25, kMessageX, 200, kLabelHeight), 1, 2)},
                    true});
    rows.push_back({RowKind::Controls,
                    kFieldRow,
                    {BoxOf(w.txtGPStime, 0, kTimeWidth, kTimeColumns, false, 0),
                     BoxOf(w.Text3, kMessageX, 0, kMessageColumns, true, 1),
                     BoxOf(w.Text4, kAfterPrevious, 0, kSecondsColumns, true, 2)},
                    true});
    rows.push_back(Across(w.Label24, kCaptionRow, Cell(w.Label24, 0, kLineWidth, kLabelHeight), 3));
    rows.push_back(Across(w.Text2, kFieldRow, Cell(w.Text2, 0, kLineWidth, kFieldHeight), 3));
    return traffic;
}

// The warning line (four lines of text: the not-sending notice, a rule warning and the PC
// clock's state can stand together), and "Close and Exit" at the right edge beside it.
LayoutGroup Footer(Window& w) {
    LayoutGroup footer{GroupId::Footer, nullptr, kMargin, kFullWidth, 6, false, false, {0}, {}};
    LayoutCell warning;
    warning.height = 34;
    LayoutCell exit = Placed(Cell(w.Command1, 0, kShortButtonWidth, kButtonHeight, 4), 1);
    exit.align = CellAlign::Right;
    footer.rows.push_back({RowKind::Controls, 36, {warning, exit}, false});
    return footer;
}

}  // namespace

const LayoutGroup& WindowLayout::Group(GroupId id) const {
    for (const LayoutGroup& group : groups) {
        if (group.id == id) {
            return group;
        }
    }
    throw std::out_of_range("no such group in the window's layout");
}

std::vector<Control*> WindowLayout::Controls() const {
    std::vector<Control*> controls;
    for (const LayoutGroup& group : groups) {
        if (group.frame != nullptr) {
            controls.push_back(group.frame);
        }
        for (const LayoutRow& row : group.rows) {
            for (const LayoutCell& cell : row.cells) {
                if (cell.control != nullptr) {
                    controls.push_back(cell.control);
                }
            }
        }
    }
    return controls;
}

WindowLayout DescribeWindowLayout(Window& window) {
    WindowLayout layout;
    layout.margin = kMargin;
    layout.clientWidth = kClientWidth;
    layout.groups = {Header(window), Rules(window), Link(window), Traffic(window), Footer(window)};
    return layout;
}

bool TakesFocus(const Control& control) {
    return dynamic_cast<const Label*>(&control) == nullptr &&
           dynamic_cast<const Frame*>(&control) == nullptr &&
           dynamic_cast<const Timer*>(&control) == nullptr;
}

std::vector<Control*> TabOrder(const WindowLayout& layout) {
    std::vector<Control*> order;
    for (Control* control : layout.Controls()) {
        if (TakesFocus(*control) && control->Visible() && control->Enabled()) {
            order.push_back(control);
        }
    }
    return order;
}

}  // namespace corvantis
