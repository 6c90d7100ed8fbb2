#include "platform/message_dialog.h"

namespace corvantis {

BoxWords BoxWordsFor(const std::string& text, const std::string& title) {
    const std::size_t digits = title.rfind('-', 0) == 0 ? 1 : 0;
    const bool number =
        title.size() > digits && title.find_first_not_of("0123456789", digits) == std::string::npos;
    return {kMessageBoxTitle, number ? text + " (error " + title + ")" : text};
}

}  // namespace corvantis
