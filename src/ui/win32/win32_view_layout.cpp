#include "ui/win32/win32_window_view.h"

#include <algorithm>
#include <limits>

#include "ui/win32/win32_dpi.h"
#include "ui/win32/win32_handles.h"
#include "ui/win32/win32_view_parts.h"

namespace corvantis {
namespace {

// The group box's own room, in dialog units: above its first row (its caption) and beneath
// its last.
constexpr int kFrameCaption = 12;
constexpr int kFrameBottom = 6;
constexpr int kDropDownHeight = 120;  // open list of a drop-down, beneath its edit field
constexpr int kBoxChrome = 10;        // pixels at 96 DPI around a text box's characters
constexpr int kWarningGap = 8;        // between the warning line and the button beside it

}  // namespace

HFONT Win32WindowView::FontFor(const Entry& entry) const {
    if (entry.kind == ControlKind::TextBox && static_cast<TextBox&>(*entry.control).FixedPitch()) {
        return m_fixedFont.Get();
    }
    switch (entry.cell == nullptr ? CaptionLook::Normal : entry.cell->look) {
        case CaptionLook::Bold:
        case CaptionLook::Wait:
            return m_boldFont.Get();
        case CaptionLook::Title:
            return m_titleFont.Get();
        case CaptionLook::Normal:
            break;
    }
    return m_font.Get();
}

void Win32WindowView::ApplyDpi(UINT dpi, const RECT* suggested) {
    if (m_hwnd == nullptr) {
        return;
    }
    m_dpi = dpi;
    if (suggested != nullptr) {
        SetWindowPos(m_hwnd, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     kMoveOnly);
    }
    const std::vector<ScreenRect> areas = workAreas ? workAreas() : std::vector<ScreenRect>{};
    // The window is laid out at the step chosen already.
    const WindowFit fit = FitWindow(
        TopLeft(), OuterSize(), [this](int step) { return LayOut(step); }, areas);
    m_fontStep = fit.fontStep;
    PlaceAt(fit.place);
    InvalidateRect(m_hwnd, nullptr, TRUE);
}

ScreenSize Win32WindowView::LayOut(int step) {
    CreateFonts(m_dpi, step);
    MeasureFonts();
    ++m_mirroring;
    for (auto& entry : m_entries) {
        SendMessageW(entry->hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(*entry)), FALSE);
    }
    SendMessageW(m_warning, WM_SETFONT, reinterpret_cast<WPARAM>(m_font.Get()), FALSE);
    if (m_toolTips) {
        SendMessageW(m_toolTips.Get(), WM_SETFONT, reinterpret_cast<WPARAM>(m_font.Get()), FALSE);
    }
    --m_mirroring;
    Relayout();
    return OuterSize();
}

ScreenSize Win32WindowView::OuterSize() const {
    RECT outer{};
    GetWindowRect(m_hwnd, &outer);
    return {outer.right - outer.left, outer.bottom - outer.top};
}

ScreenPoint Win32WindowView::TopLeft() const {
    RECT outer{};
    GetWindowRect(m_hwnd, &outer);
    return {outer.left, outer.top};
}

void Win32WindowView::PlaceAt(ScreenPoint wanted) {
    if (m_hwnd == nullptr) {
        return;
    }
    const std::vector<ScreenRect> areas = workAreas ? workAreas() : std::vector<ScreenRect>{};
    const ScreenPoint at = PlaceWindow(wanted, OuterSize(), areas);
    SetWindowPos(m_hwnd, nullptr, at.x, at.y, 0, 0, kMoveOnly | SWP_NOSIZE);
    m_place = TopLeft();
}

void Win32WindowView::CreateFonts(UINT dpi, int step) {
    LOGFONTW message = MessageFontForDpi(dpi);
    message.lfHeight = MulDiv(message.lfHeight, step, 100);
    message.lfWidth = MulDiv(message.lfWidth, step, 100);
    m_font.Reset(CreateFontIndirectW(&message));
    LOGFONTW bold = message;
    bold.lfWeight = FW_BOLD;
    m_boldFont.Reset(CreateFontIndirectW(&bold));
    LOGFONTW title = bold;
    title.lfHeight = title.lfHeight * 3 / 2;
    m_titleFont.Reset(CreateFontIndirectW(&title));
    LOGFONTW fixed{};
    fixed.lfHeight = message.lfHeight;
    fixed.lfWeight = FW_NORMAL;
    fixed.lfCharSet = DEFAULT_CHARSET;
    fixed.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    lstrcpynW(fixed.lfFaceName, L"Courier New", LF_FACESIZE);
    m_fixedFont.Reset(CreateFontIndirectW(&fixed));
}

void Win32WindowView::MeasureFonts() {
    // Dialog base units of the message font, as the dialog manager computes them.
    WindowDc dc(m_hwnd);
    dc.Select(m_font.Get());
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc.Get(), &metrics);
    SIZE alphabet{};
    const wchar_t letters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    GetTextExtentPoint32W(dc.Get(), letters, 52, &alphabet);
    m_baseX = std::max(1, static_cast<int>((alphabet.cx / 26 + 1) / 2));
    m_baseY = std::max(1, static_cast<int>(metrics.tmHeight));
    dc.Select(m_fixedFont.Get());
    SIZE digit{};
    GetTextExtentPoint32W(dc.Get(), L"0", 1, &digit);
    m_fixedCharWidth = std::max(1, static_cast<int>(digit.cx));
}

int Win32WindowView::Px(int dluX) const {
    return MulDiv(dluX, m_baseX, 4);
}

int Win32WindowView::Py(int dluY) const {
    return MulDiv(dluY, m_baseY, 8);
}

void Win32WindowView::Relayout() {
    if (m_hwnd == nullptr || m_entries.empty()) {
        return;
    }
    int right = Px(m_layout.clientWidth - m_layout.margin);
    int y = Py(m_layout.margin);
    int groupTop = y;
    for (const LayoutGroup& group : m_layout.groups) {
        if (!group.besidePrevious) {
            groupTop = y + Py(group.gapAbove);
        }
        if (group.id == GroupId::Footer) {
            y = PlaceFooter(group, groupTop, right);
            break;
        }
        const int bottom = PlaceGroup(group, groupTop, right);
        y = group.besidePrevious ? std::max(y, bottom) : bottom;
    }
    FitClientArea(RECT{0, 0, right + Px(m_layout.margin), y});
}

int Win32WindowView::PlaceGroup(const LayoutGroup& group, int top, int& right) {
    if (group.frame == nullptr) {
        return PlaceRows(group, top, right);
    }
    const int bottom = PlaceRows(group, top + Py(kFrameCaption), right) + Py(kFrameBottom);
    SetWindowPos(m_byControl.at(group.frame)->hwnd, nullptr, Px(group.x), top, Px(group.width),
                 bottom - top, kMoveOnly);
    return bottom;
}

int Win32WindowView::PlaceRows(const LayoutGroup& group, int top, int& right) {
    const int chrome = MulDiv(kBoxChrome, static_cast<int>(m_dpi), USER_DEFAULT_SCREEN_DPI);
    int y = top;
    for (const LayoutRow& row : group.rows) {
        bool shown = row.keepRoom || row.kind == RowKind::Gap;
        int previousRight = Px(group.x);
        for (const LayoutCell& cell : row.cells) {
            const Entry& entry = *m_byControl.at(cell.control);
            shown = shown || cell.control->Visible();
            const int x = cell.x == kAfterPrevious ? previousRight + Px(kNextToPrevious)
                                                   : Px(group.x + cell.x);
            // Edges rounded once, so neighbours in dialog units stay neighbours.
            int width = Px(group.x + cell.x + cell.width) - Px(group.x + cell.x);
            if (cell.exactColumns) {
                width = cell.columns * m_fixedCharWidth + chrome;
            }
            int height = Py(cell.dy + cell.height) - Py(cell.dy);
            if (entry.kind == ControlKind::List) {
                height += Py(kDropDownHeight);  // the open list beneath the edit field
            }
            SetWindowPos(entry.hwnd, nullptr, x, y + Py(cell.dy), width, height, kMoveOnly);
            previousRight = x + width;
            right = std::max(right, x + width);
        }
        if (shown) {
            y += Py(row.height);
        }
    }
    return y;
}

int Win32WindowView::PlaceFooter(const LayoutGroup& group, int top, int right) {
    // The warning line, then the controls that end at the right edge, beneath everything.
    const LayoutRow& row = group.rows.front();
    int exitX = right;
    for (const LayoutCell& cell : row.cells) {
        if (cell.control == nullptr) {
            continue;
        }
        const int width = Px(cell.width);
        exitX = right - width;
        SetWindowPos(m_byControl.at(cell.control)->hwnd, nullptr, exitX, top + Py(cell.dy), width,
                     Py(cell.height), kMoveOnly);
    }
    const LayoutCell& warning = row.cells.front();
    SetWindowPos(m_warning, nullptr, Px(group.x), top, exitX - Px(kWarningGap) - Px(group.x),
                 Py(warning.height), kMoveOnly);
    return top + Py(row.height) + Py(m_layout.margin);
}

void Win32WindowView::FitClientArea(const RECT& client) {
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(m_hwnd, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(m_hwnd, GWL_EXSTYLE));
    const RECT frame = WindowRectForClient(client, style, exStyle, m_dpi);
    int width = frame.right - frame.left;
    int height = frame.bottom - frame.top;
    SetWindowPos(m_hwnd, nullptr, 0, 0, width, height, kMoveOnly | SWP_NOMOVE);
    // Where the frame is not drawn at this DPI yet (the system moves the window to a monitor
    // of that DPI only afterwards), make up the difference once.
    RECT got{};
    GetClientRect(m_hwnd, &got);
    if (got.right != client.right || got.bottom != client.bottom) {
        width += client.right - got.right;
        height += client.bottom - got.bottom;
        SetWindowPos(m_hwnd, nullptr, 0, 0, width, height, kMoveOnly | SWP_NOMOVE);
    }
}

}  // namespace corvantis
