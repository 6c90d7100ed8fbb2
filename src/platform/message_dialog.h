// Modal message boxes shown to the operator.
#pragma once

#include <string>

namespace corvantis {

enum class MessageIcon { Critical, Exclamation };

// A message box with one OK button. `Show` returns once the operator has closed it.
class MessageDialog {
public:
    virtual ~MessageDialog() = default;
    virtual void Show(const std::string& text, const std::string& title, MessageIcon icon) = 0;
};

}  // namespace corvantis
