// Modal message boxes shown to the operator.
#pragma once

#include <string>

namespace corvantis {

enum class MessageIcon { Critical, Exclamation };

// A message box with one OK button. `Show` returns once the operator has closed it.
// `title` is the heading the program gives the box: a failure's error number, a word, or the
// program's name. A box on the screen shows it through BoxWords.
class MessageDialog {
public:
    virtual ~MessageDialog() = default;
    virtual void Show(const std::string& text, const std::string& title, MessageIcon icon) = 0;
};

// Every box on the screen is titled with the program's name.
inline constexpr char kMessageBoxTitle[] = "Corvantis";

// What a box on the screen shows for `Show(text, title, ...)`: the title kMessageBoxTitle,
// and the text, followed by " (error N)" when `title` is an error number N (digits only, a
// minus sign allowed in front). Another heading adds nothing: the box's icon tells a warning
// from an error.
struct BoxWords {
    std::string title;
    std::string text;
};
BoxWords BoxWordsFor(const std::string& text, const std::string& title);

}  // namespace corvantis
