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
    header.rows.push_back(
        {RowKind::Controls,
         kCheckRow,
         {Looking(Cell(w.heading, 0, 300, 13), CaptionLook::Title),
          Placed(Looking(Cell(w.versionLabel, 362, 100, kLabelHeight, kBesideField),
                         CaptionLook::Normal, CellAlign::Right),
                 1)},
         false});
    header.rows.push_back(
        {RowKind::Controls, kCheckRow, {Cell(w.subheading, 0, 360, kLabelHeight)}});
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
    LayoutGroup rules{GroupId::Rules, &w.ruleFrame,       kMargin, kFrameWidth, 4, false,
                      false,          {kRuleGridColumns}, {}};
    auto& rows = rules.rows;
    rows.push_back(Across(w.autoDaylightSaving, kCheckRow,
                          Cell(w.autoDaylightSaving, kFrameIndent, 200, kCheckHeight),
                          kRuleGridColumns));
    rows.push_back(FramePair(w.zoneOffsetLabel, w.zoneOffset, kOffsetColumns));
    AddRule(rows, {w.dstStartLabel, w.startOccurrenceLabel, w.startWeekdayLabel,
                   w.startDayOfMonthLabel, w.startOccurrence, w.startWeekday, w.startOfLabel,
                   w.startMonth, w.startOrLabel, w.startDayOfMonth});
    AddRule(rows, {w.dstEndLabel, w.endOccurrenceLabel, w.endWeekdayLabel, w.endDayOfMonthLabel,
                   w.endOccurrence, w.endWeekday, w.endOfLabel, w.endMonth, w.endOrLabel,
                   w.endDayOfMonth});
    rows.push_back(Gap());
    rows.push_back(FramePair(w.changeHourLabel, w.changeHour, kHourColumns));
    rows.push_back(FramePair(w.leapYearLabel, w.leapYear, kHourColumns));
    for (Label* note : {&w.leapJuneNote, &w.leapDecemberNote}) {
        rows.push_back(Across(*note, kCaptionRow,
                              Cell(*note, kFrameIndent, kRowWidth, kLabelHeight),
                              kRuleGridColumns));
    }
    rows.push_back(Across(w.useThisZone, kButtonRow,
                          Cell(w.useThisZone, kFrameIndent, 184, kButtonHeight, kBesideField),
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
    rows.push_back(Whole(w.sendAddress, kButtonRow, kButtonHeight));
    rows.push_back(Whole(w.sendRules, kButtonRow, kButtonHeight));
    rows.push_back(
        {RowKind::Controls,
         kButtonRow,
         {Cell(w.pauseTime, 0, 62, kButtonHeight), Cell(w.resumeTime, 66, 62, kButtonHeight),
          Cell(w.sendUtcTimeOnly, 132, 64, kButtonHeight)}});
    rows.push_back({RowKind::Controls,
                    kCheckRow,
                    {Looking(Cell(w.pleaseWait, 0, kRightWidth, kCheckHeight, kBesideField),
                             CaptionLook::Wait, CellAlign::Center)},
                    true});
}

LayoutGroup Link(Window& w) {
    LayoutGroup link{GroupId::Link, nullptr, kRightX, kRightWidth, 0, true, true, {0}, {}};
    auto& rows = link.rows;
    rows.push_back({RowKind::Controls,
                    kCheckRow,
                    {Cell(w.broadcastTime, 0, 120, kCheckHeight, kOpensSection)}});
    rows.push_back(Whole(w.sendingOn, kCheckRow, kCheckHeight, 120));
    rows.push_back(LinkPair(w.clockPortLabel, w.clockPort, kPortColumns));
    rows.push_back(LinkPair(w.serialRateLabel, w.serialRate, kRateColumns, kNarrowListX));
    rows.push_back(LinkPair(w.gpsPortLabel, w.gpsPort, kPortColumns));
    rows.push_back(LinkPair(w.currentAddressLabel, w.currentAddress, kAddressColumns));
    rows.push_back(LinkPair(w.newAddressLabel, w.newAddress, kAddressColumns));
    AddLinkCommands(w, rows);
    // The settings the design keeps out of sight.
    rows.push_back({RowKind::Controls,
                    kCheckRow,
                    {Cell(w.utcOrLocal[0], 0, 40, kCheckHeight),
                     Cell(w.utcOrLocal[1], 44, 50, kCheckHeight)}});
    rows.push_back(Whole(w.udpBroadcast, kCheckRow, kCheckHeight));
    rows.push_back(LinkPair(w.udpAddressLabel, w.udpAddress, kRateColumns, kNarrowListX));
    rows.push_back(LinkPair(w.udpRateLabel, w.udpRate, kRateColumns, kNarrowListX));
    rows.push_back(LinkPair(w.motorOnLabel, w.motorOnHour, kHourColumns));
    rows.push_back(LinkPair(w.motorOffLabel, w.motorOffHour, kHourColumns));
    for (CheckBox* box :
         {&w.useGpsDate, &w.batterySave, &w.toMessageClocks, &w.rulesWithTime, &w.autoStart}) {
        rows.push_back(Whole(*box, kCheckRow, kCheckHeight));
    }
    rows.push_back(Whole(w.hideProgram, kButtonRow, kButtonHeight, kShortButtonWidth));
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
                    {Cell(w.pcTimeLabel, 0, kTimeWidth, kLabelHeight),
                     Placed(Cell(w.sentMessageLabel, kMessageX, kTimeWidth, kLabelHeight), 1)}});
    rows.push_back({RowKind::Controls,
                    kFieldRow,
                    {BoxOf(w.pcTime, 0, kTimeWidth, kTimeColumns, false, 0),
                     BoxOf(w.pcLocalTime, 0, kTimeWidth, kTimeColumns, false, 0),
                     BoxOf(w.sentMessage, kMessageX, 0, kMessageColumns, true, 1)}});
    rows.push_back({RowKind::Controls,
                    kCaptionRow,
                    {Cell(w.gpsTimeLabel, 0, kTimeWidth, kLabelHeight),
                     Placed(Cell(w.clockReplyLabel, kMessageX, 200, kLabelHeight), 1, 2)},
                    true});
    rows.push_back({RowKind::Controls,
                    kFieldRow,
                    {BoxOf(w.gpsTime, 0, kTimeWidth, kTimeColumns, false, 0),
                     BoxOf(w.clockReply, kMessageX, 0, kMessageColumns, true, 1),
                     BoxOf(w.pcSeconds, kAfterPrevious, 0, kSecondsColumns, true, 2)},
                    true});
    rows.push_back(Across(w.ruleConfirmationLabel, kCaptionRow,
                          Cell(w.ruleConfirmationLabel, 0, kLineWidth, kLabelHeight), 3));
    rows.push_back(Across(w.ruleConfirmation, kFieldRow,
                          Cell(w.ruleConfirmation, 0, kLineWidth, kFieldHeight), 3));
    return traffic;
}

// The warning line (four lines of text: the not-sending notice, a rule warning and the PC
// clock's state can stand together), and "Close and Exit" at the right edge beside it.
LayoutGroup Footer(Window& w) {
    LayoutGroup footer{GroupId::Footer, nullptr, kMargin, kFullWidth, 6, false, false, {0}, {}};
    LayoutCell warning;
    warning.height = 34;
    LayoutCell exit = Placed(Cell(w.closeAndExit, 0, kShortButtonWidth, kButtonHeight, 4), 1);
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
