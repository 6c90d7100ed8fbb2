// Drives the window of a running corvantis.exe from another program, as a person would:
// finds it by its class name, then runs the commands on its command line in order, each
// naming a control by its model name (control_ids.h) and printing one line on standard
// output:
//   wait SECONDS        waits for the window            -> "ready" or "no window"
//   click NAME          presses a button or check box   -> "clicked NAME"
//   pick NAME INDEX     picks entry INDEX of a list     -> "picked NAME INDEX"
//   text NAME           the control's text              -> "text NAME=<text>"
//   shown NAME          whether the control is visible  -> "shown NAME=0|1"
//   checked NAME        a check box's state 0, 1 or 2   -> "checked NAME=<state>"
//   count NAME          a list's number of entries      -> "count NAME=<n>"
//   close               the close box                   -> "closed"
//   key NAME VK         a key (virtual-key code, decimal) pressed and released in the
//                       control, through the program's message queue -> "key NAME VK"
//   focus               the control that has the keyboard focus -> "focus NAME" ("focus -"
//                       for none or one without a name)
//   altf4               Alt+F4 pressed in the window      -> "altf4"
//   endsession          the Windows session ends (WM_QUERYENDSESSION, then WM_ENDSESSION)
//                                                     -> "ended"
//   menu ID             a command of the notification-area icon's menu (decimal ID)
//                                                     -> "menu ID"
//   move X Y            moves the window's top-left corner to X,Y -> "moved"
//   place               the window's top-left corner  -> "place X,Y"
//   settle              waits (up to 30 s) until the program takes messages again, then has
//                       the whole window painted anew -> "settled" or "busy"
//   fits                whether the window lies inside its monitor's work area and every
//                       shown control inside the window's client area -> "fits", or one
//                       "outside NAME l,t,r,b" line for each that does not ("outside window"
//                       for the window)
//   profile FILE SECTION KEY   a settings value as the Windows profile functions read it
//                       (GetPrivateProfileStringA); needs no window -> "profile KEY=<value>"
// Texts are read with WM_GETTEXT (GetWindowText does not read other programs' controls) and
// printed as UTF-8. Exit status 0 when every command ran, 1 when one failed (its line says
// why), 2 for a command line that is not understood.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ui/win32/control_ids.h"

namespace {

using corvantis::win32ids::ControlIdOf;
using corvantis::win32ids::kMainWindowClass;

std::string Utf8(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}

std::wstring TextOf(HWND control) {
    const auto length = SendMessageW(control, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const auto copied = SendMessageW(control, WM_GETTEXT, static_cast<WPARAM>(text.size()),
                                     reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

int Fail(const std::string& why) {
    std::printf("failed: %s\n", why.c_str());
    std::fflush(stdout);
    return 1;
}

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

void PrintOutside(const std::string& name, const RECT& place) {
    std::printf("outside %s %ld,%ld,%ld,%ld\n", name.c_str(), place.left, place.top, place.right,
                place.bottom);
}

void Fits(HWND window) {
    bool fits = true;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
    RECT outer{};
    GetWindowRect(window, &outer);
    if (!Inside(outer, monitor.rcWork)) {
        PrintOutside("window", outer);
        fits = false;
    }
    RECT client{};
    GetClientRect(window, &client);
    for (const auto& entry : corvantis::win32ids::kControlIds) {
        HWND control = GetDlgItem(window, entry.id);
        if (control == nullptr || !IsWindowVisible(control)) {
            continue;
        }
        RECT place{};
        GetWindowRect(control, &place);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&place), 2);
        if (!Inside(place, client)) {
            PrintOutside(std::string(entry.name), place);
            fits = false;
        }
    }
    if (fits) {
        std::printf("fits\n");
    }
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    HWND window = FindWindowW(kMainWindowClass, nullptr);
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& command = args[i];
        auto operand = [&]() -> const std::string* {
            return i + 1 < args.size() ? &args[++i] : nullptr;
        };
        if (command == "wait") {
            const std::string* seconds = operand();
            if (seconds == nullptr) {
                return 2;
            }
            const DWORD end =
                GetTickCount() + static_cast<DWORD>(std::atoi(seconds->c_str())) * 1000;
            while ((window = FindWindowW(kMainWindowClass, nullptr)) == nullptr ||
                   !IsWindowVisible(window)) {
                if (static_cast<LONG>(GetTickCount() - end) >= 0) {
                    return Fail("no window");
                }
                Sleep(50);
            }
            std::printf("ready\n");
            continue;
        }
        if (command == "profile") {
            const std::string* file = operand();
            const std::string* section = operand();
            const std::string* key = operand();
            if (file == nullptr || section == nullptr || key == nullptr) {
                return 2;
            }
            char value[750] = {};
            GetPrivateProfileStringA(section->c_str(), key->c_str(), "<none>", value, sizeof value,
                                     file->c_str());
            std::printf("profile %s=%s\n", key->c_str(), value);
            continue;
        }
        if (window == nullptr) {
            return Fail("no window");
        }
        if (command == "close") {
            PostMessageW(window, WM_CLOSE, 0, 0);
            std::printf("closed\n");
            continue;
        }
        if (command == "altf4") {
            // As the system posts it: the key with Alt held (context code, bit 29).
            PostMessageW(window, WM_SYSKEYDOWN, VK_F4, static_cast<LPARAM>(0x20000001));
            PostMessageW(window, WM_SYSKEYUP, VK_F4, static_cast<LPARAM>(0xE0000001u));
            std::printf("altf4\n");
            continue;
        }
        if (command == "endsession") {
            DWORD_PTR answer = 0;
            SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer);
            SendMessageTimeoutW(window, WM_ENDSESSION, TRUE, 0, SMTO_ABORTIFHUNG, 5000, &answer);
            std::printf("ended\n");
            continue;
        }
        if (command == "menu") {
            const std::string* id = operand();
            if (id == nullptr) {
                return 2;
            }
            PostMessageW(window, WM_COMMAND, static_cast<WPARAM>(std::atoi(id->c_str())), 0);
            std::printf("menu %s\n", id->c_str());
            continue;
        }
        if (command == "move") {
            const std::string* x = operand();
            const std::string* y = operand();
            if (x == nullptr || y == nullptr) {
                return 2;
            }
            SetWindowPos(window, nullptr, std::atoi(x->c_str()), std::atoi(y->c_str()), 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            std::printf("moved\n");
            continue;
        }
        if (command == "place") {
            RECT outer{};
            GetWindowRect(window, &outer);
            std::printf("place %ld,%ld\n", outer.left, outer.top);
            continue;
        }
        if (command == "settle") {
            DWORD_PTR answer = 0;
            bool idle =
                SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &answer) != 0;
            RedrawWindow(window, nullptr, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
            idle = idle &&
                   SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &answer) != 0;
            std::printf(idle ? "settled\n" : "busy\n");
            std::fflush(stdout);
            continue;
        }
        if (command == "fits") {
            Fits(window);
            continue;
        }
        if (command == "focus") {
            GUITHREADINFO info{};
            info.cbSize = sizeof(info);
            std::string focused = "-";
            if (GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) &&
                info.hwndFocus != nullptr) {
                // A list's edit field has the focus on the list's behalf.
                HWND at = info.hwndFocus;
                for (; at != nullptr && GetParent(at) != window; at = GetParent(at)) {
                }
                for (const auto& entry : corvantis::win32ids::kControlIds) {
                    if (at != nullptr && GetDlgCtrlID(at) == entry.id) {
                        focused = std::string(entry.name);
                    }
                }
            }
            std::printf("focus %s\n", focused.c_str());
            std::fflush(stdout);
            continue;
        }
        const std::string* name = operand();
        if (name == nullptr) {
            return 2;
        }
        const int id = ControlIdOf(*name);
        HWND control = id != 0 ? GetDlgItem(window, id) : nullptr;
        if (control == nullptr) {
            return Fail("no control " + *name);
        }
        if (command == "click") {
            SendMessageW(control, BM_CLICK, 0, 0);
            std::printf("clicked %s\n", name->c_str());
        } else if (command == "pick") {
            const std::string* index = operand();
            if (index == nullptr) {
                return 2;
            }
            // What a pick with the keyboard in the closed list does: the selection, then the
            // notification to the window.
            SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(std::atoi(index->c_str())), 0);
            SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                         reinterpret_cast<LPARAM>(control));
            std::printf("picked %s %s\n", name->c_str(), index->c_str());
        } else if (command == "key") {
            const std::string* key = operand();
            if (key == nullptr) {
                return 2;
            }
            // Posted, as the system posts input: the program's loop sees them and hands them
            // to the dialog keyboard handling. A sent message overtakes posted ones, so the
            // program is given a moment before it is asked to answer.
            const auto vk = static_cast<WPARAM>(std::atoi(key->c_str()));
            PostMessageW(control, WM_KEYDOWN, vk, 1);
            PostMessageW(control, WM_KEYUP, vk, static_cast<LPARAM>(0xC0000001u));
            Sleep(300);
            SendMessageW(window, WM_NULL, 0, 0);
            std::printf("key %s %s\n", name->c_str(), key->c_str());
        } else if (command == "text") {
            std::printf("text %s=%s\n", name->c_str(), Utf8(TextOf(control)).c_str());
        } else if (command == "shown") {
            std::printf("shown %s=%d\n", name->c_str(), IsWindowVisible(control) ? 1 : 0);
        } else if (command == "checked") {
            std::printf("checked %s=%d\n", name->c_str(),
                        static_cast<int>(SendMessageW(control, BM_GETCHECK, 0, 0)));
        } else if (command == "count") {
            std::printf("count %s=%d\n", name->c_str(),
                        static_cast<int>(SendMessageW(control, CB_GETCOUNT, 0, 0)));
        } else {
            std::fprintf(stderr, "unknown command %s\n", command.c_str());
            return 2;
        }
        std::fflush(stdout);
    }
    return 0;
}
