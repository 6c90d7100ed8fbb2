#include "platform/win32/win32_message_dialog.h"

#include <windows.h>

namespace corvantis {

void Win32MessageDialog::Show(const std::string& text, const std::string& title, MessageIcon icon) {
    const UINT iconFlag = icon == MessageIcon::Critical ? MB_ICONERROR : MB_ICONEXCLAMATION;
    const BoxWords words = BoxWordsFor(text, title);
    MessageBoxA(nullptr, words.text.c_str(), words.title.c_str(), MB_OK | iconFlag);
}

}  // namespace corvantis
