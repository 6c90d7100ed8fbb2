// Message boxes through user32 MessageBoxA.
#pragma once

#include "platform/message_dialog.h"

namespace corvantis {

class Win32MessageDialog final : public MessageDialog {
public:
    // MessageBoxA with no owner, an OK button and the stop (Critical) or exclamation icon,
    // showing BoxWordsFor(text, title); returns once the operator has closed the box.
    void Show(const std::string& text, const std::string& title, MessageIcon icon) override;
};

}  // namespace corvantis
