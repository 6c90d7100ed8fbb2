// The window on screen for Windows: native controls that mirror the window model and pass
// the operator's own actions back to it; the Win32 counterpart of the Qt view.
//
// Every control of the model except the timers has one child window, found by its fixed
// dialog control ID (control_ids.h); controls hidden in the design have hidden windows, so
// that showing one from the model later shows it in its place. The tab order is the order
// of the window's layout, as in the Qt view. The view follows every change of the model
// (text, caption, value, selection, entries, visibility, enabled state) without reporting it
// back, so a change the program makes never comes back as a second reaction. Only the
// operator's actions reach the model, through its Operator* calls:
//  - a click on a button, check box or option (also BM_CLICK, the space bar): OperatorClick;
//    check boxes and options show what the model then decided, not a state of their own;
//  - an entry picked in a list: OperatorPick, once, when the pick is made (a selection
//    change of a closed list, or the open list closing on a choice); moving through an
//    open list picks nothing yet;
//  - a character typed into a list: OperatorType (8-bit; '?' beyond), which jumps to the
//    entry starting with the letters typed; control characters only reach OperatorKeyPress;
//  - the focus leaving a list for another control of this window: OperatorLeave (the list
//    opening, a message box or another program taking the focus do not leave it).
// Lists only pick: their field is read-only and shows the model's text; a click into it opens
// the list, and text written into it from outside is put back at once.
// The wheel picks in a list only while the list has the focus, so turning it over the window
// changes no setting by accident.
// Text boxes are read-only: they show what the program writes, and can be selected and
// copied. An exception escaping a reaction the operator set off, or the view's own handling
// of a message, is caught here and handed to onFailure; when that is unset or throws in
// turn, it is shown on the warning line ("description (number)" for a Failure, "Unexpected
// failure" for anything not a std::exception). The message loop never sees it.
//
// The view draws the window's layout description (form/window_layout.h): its sizes and
// positions are dialog units of the system's message font, so the window scales with the
// font and the DPI; WM_DPICHANGED re-creates the fonts and lays the window out again at the
// new DPI. Rows of the layout whose controls are all hidden take no room, except the rows
// that keep theirs ("Please Wait!", the clock's reply) so nothing jumps when they come and
// go.
//
// The view's code stands in four files: construction and the public calls
// (win32_window_view.cpp), the layout drawn at a DPI and font step (win32_view_layout.cpp),
// the model mirrored in the controls (win32_view_mirror.cpp) and the messages
// (win32_view_messages.cpp).
//
// Texts cross between model and controls as 8-bit text, one byte a character (Latin-1), so
// the fixed-width clock messages keep their width whatever bytes a clock sends back.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "form/handler_guard.h"
#include "form/screen_fit.h"
#include "form/window.h"
#include "form/window_layout.h"
#include "platform/status_line.h"
#include "ui/win32/win32_handles.h"
#include "ui/win32/win32_notify_icon.h"

namespace corvantis {

class Win32WindowView {
public:
    // Creates the window, hidden, and every control in it. `window` must outlive the view;
    // the view adds observers to its controls, which do nothing once the view is gone.
    // `instance` holds the icon resource (IDI_CORVANTIS); the stock icon stands in without
    // it. Raises Failure with the system's error when the window cannot be created.
    explicit Win32WindowView(Window& window, HINSTANCE instance = GetModuleHandleW(nullptr));
    ~Win32WindowView();
    Win32WindowView(const Win32WindowView&) = delete;
    Win32WindowView& operator=(const Win32WindowView&) = delete;

    // The top-level window; nullptr once it has been destroyed.
    HWND Handle() const { return m_hwnd; }
    // The child window of the control named `name`; nullptr for the timers, unknown names
    // and once the window is gone.
    HWND ControlHandle(const std::string& name) const;
    // The tooltip text of the control named `name`, as the tooltip window holds it.
    std::wstring ToolTipText(const std::string& name) const;

    // The window's warning line: hidden while empty; it never takes the focus.
    StatusLine& Status();

    // Shows the window (restoring it when minimised) and brings it to the front.
    void Show();
    // Destroys the window and its controls; later calls do nothing.
    void Destroy();

    // Shows the program's icon in the notification area, the window caption as its tip.
    // Returns whether the shell took it.
    bool AddNotifyIcon();
    // Removes the notification-area icon; does nothing when there is none.
    void RemoveNotifyIcon();
    bool HasNotifyIcon() const { return m_notifyIcon && m_notifyIcon->Shown(); }

    // The DPI the window is laid out for.
    UINT Dpi() const { return m_dpi; }
    // The font step (kFontSteps) the window is drawn at.
    int FontStep() const { return m_fontStep; }
    // Lays the window out for `dpi`: fonts, positions, sizes, at the font step and place
    // the one fitting rule (FitWindow) decides: the largest step that fits the work area of
    // the window's monitor, inside that area. With `suggested` (from WM_DPICHANGED) the window
    // takes that rectangle's place first; without, it keeps its top-left corner where it
    // fits. The one place where DPI changes are handled.
    void ApplyDpi(UINT dpi, const RECT* suggested = nullptr);
    // Moves the window to `wanted` (a remembered top-left corner), inside a work area.
    void PlaceAt(ScreenPoint wanted);
    // The window's top-left corner when last shown in place (not minimised); still known
    // once the window is gone.
    ScreenPoint Place() const { return m_place; }

    // The close box (or any close request, WM_CLOSE): the window's unload. Unset, the window
    // is destroyed.
    std::function<void()> onCloseRequested;
    // Mouse movement over the window's own background (not over a control), with the X
    // position in pixels from the client area's left edge.
    std::function<void(int x)> onMouseMove;
    // A click or double-click on the notification-area icon, or its menu's "Show".
    std::function<void()> onTrayActivated;
    // A failure escaping a reaction the operator set off.
    std::function<void(const std::exception&)> onFailure;
    // The Windows session is ending (WM_ENDSESSION): the program should close now, as the
    // system ends it once this returns.
    std::function<void()> onEndSession;
    // The window has been destroyed (by Destroy, the close box unset, or the system).
    std::function<void()> onDestroyed;
    // Whether a high-contrast theme is on, asked at each repaint of the warning line and of
    // "Please Wait!": then they take the theme's colours (notes: COLOR_INFOTEXT on
    // COLOR_INFOBK; "Please Wait!": COLOR_BTNTEXT on COLOR_BTNFACE) instead of their own.
    // The system's setting (SPI_GETHIGHCONTRAST) unless replaced.
    std::function<bool()> isHighContrast;
    // The work areas of the monitors, the primary one first, in screen pixels: what the
    // window fits and is kept inside. The system's monitors unless replaced.
    std::function<std::vector<ScreenRect>()> workAreas;

private:
    struct Entry;
    class StatusLineImpl;

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ListWheelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR id, DWORD_PTR data);
    static LRESULT CALLBACK ListEditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR data);

    // The one guard between the system and the view's own code: runs `action`, and an
    // exception escaping it (of any type) is reported, to onFailure or else on the warning
    // line, and goes no further. The window procedure runs inside it, and so does every call
    // the lists' own procedures make into the model.
    template <class Action>
    void Forward(Action&& action) noexcept;

    // Construction, in this order (win32_window_view.cpp).
    void LoadIcons();
    void RegisterWindowClass() const;
    // One entry for each control of the layout, in its tab order.
    void MakeEntries();
    void CreateMainWindow();
    void CreateControls();
    void CreateControl(Entry& entry);
    void SubclassList(Entry& entry);

    // The model shown in the controls (win32_view_mirror.cpp).
    void Observe(Entry& entry);
    void MirrorAll();
    void Mirror(Entry& entry, ControlProperty property);
    void MirrorContent(Entry& entry);
    void MirrorList(Entry& entry);

    // The layout drawn in pixels at m_dpi from dialog units (win32_view_layout.cpp).
    // Lays the window out at font step `step`; returns its outer size.
    ScreenSize LayOut(int step);
    ScreenSize OuterSize() const;
    ScreenPoint TopLeft() const;
    // The fonts at `dpi`, scaled to `step` percent.
    void CreateFonts(UINT dpi, int step);
    void MeasureFonts();
    HFONT FontFor(const Entry& entry) const;
    int Px(int dluX) const;
    int Py(int dluY) const;
    void Relayout();
    // Places `group`'s rows from `top` (inside its frame, when it has one); returns its
    // bottom and widens `right` to the right edge of its controls.
    int PlaceGroup(const LayoutGroup& group, int top, int& right);
    int PlaceRows(const LayoutGroup& group, int top, int& right);
    // The warning line and "Close and Exit" from `top`, the button ending at `right`;
    // returns the bottom of the client area.
    int PlaceFooter(const LayoutGroup& group, int top, int right);
    // Sizes the window so that its client area is `client`.
    void FitClientArea(const RECT& client);

    // Messages: Handle only dispatches them (win32_view_messages.cpp).
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void OnCommandMessage(WPARAM wParam, LPARAM lParam);
    void OnCommand(int id, int code, HWND control);
    void OnClick(Entry& entry);
    void OnListCommand(Entry& entry, int code);
    void OnPickAfterCloseUp(int id);
    void Pick(Entry& entry);
    // Shows the model's text in a list's field again, unless the field shows the selected
    // entry (a pick on its way).
    void RestoreListText(Entry& entry);
    // A message to a list's field; true when it is handled here with `result`.
    bool OnListField(Entry& entry, UINT message, WPARAM wParam, LRESULT& result);
    LRESULT OnStaticColour(HDC dc, HWND control);
    void OnMouseMove(int x);
    void OnNotifyIcon(UINT mouse);
    void OnTrayActivated();
    void ShowTrayMenu();
    void OnEndSession(bool ending);
    void OnClose();
    LRESULT OnNcDestroy(WPARAM wParam, LPARAM lParam);
    Entry* EntryById(int id);
    Entry* EntryByHandle(HWND handle);

    Window& m_window;
    HINSTANCE m_instance;
    HWND m_hwnd = nullptr;
    UniqueWindow m_owner;  // owns m_hwnd until the system destroys it
    UINT m_dpi = USER_DEFAULT_SCREEN_DPI;
    int m_fontStep = kFontSteps.front();
    ScreenPoint m_place;
    int m_baseX = 6;  // dialog base units in pixels at m_dpi
    int m_baseY = 13;
    int m_fixedCharWidth = 8;  // pixels per character of the fixed-pitch font
    int m_mirroring = 0;       // > 0 while the view changes controls itself

    WindowLayout m_layout;
    std::vector<std::unique_ptr<Entry>> m_entries;  // creation (tab) order
    std::map<int, Entry*> m_byId;
    std::map<const Control*, Entry*> m_byControl;
    UniqueWindow m_toolTips;
    HWND m_warning = nullptr;
    std::unique_ptr<StatusLineImpl> m_status;
    std::unique_ptr<Win32NotifyIcon> m_notifyIcon;
    UINT m_taskbarCreated = 0;

    UniqueFont m_font;
    UniqueFont m_boldFont;
    UniqueFont m_titleFont;
    UniqueFont m_fixedFont;
    UniqueBrush m_warningBrush;
    UniqueIcon m_bigIcon;
    UniqueIcon m_smallIcon;

    std::shared_ptr<Win32WindowView*> m_self;  // observers hold it weakly
};

}  // namespace corvantis
