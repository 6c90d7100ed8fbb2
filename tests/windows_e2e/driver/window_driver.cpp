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
