#include "ui/console/operator_words.h"

#include "form/window.h"
#include "platform/ascii_text.h"
#include "serial/clock_feedback.h"

namespace corvantis {

namespace {
struct Word {
    const char* word;
    Button Window::*button;
};

constexpr Word kWords[] = {
    {"rules", &Window::sendRules},     {"address", &Window::sendAddress},
    {"pause", &Window::pauseTime},     {"resume", &Window::resumeTime},
    {"utc", &Window::sendUtcTimeOnly}, {"exit", &Window::closeAndExit},
};

std::string Normalised(std::string_view line) {
    const auto first = line.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = line.find_last_not_of(" \t\r\n");
    return LowerAscii(line.substr(first, last - first + 1));
}
}  // namespace

WordResult RunOperatorWord(Window& w, std::string_view line) {
    const std::string word = Normalised(line);
    if (word.empty()) {
        return WordResult::Empty;
    }
    for (const Word& entry : kWords) {
        if (word == entry.word) {
            (w.*entry.button).OperatorClick();
            return WordResult::Ran;
        }
    }
    return WordResult::Unknown;
}

std::string UnknownWordMessage(std::string_view line) {
    // Echoed escaped: a word typed with control bytes must not reach the terminal raw.
    std::string message =
        "unknown command \"" + VisibleText(Normalised(line)) + "\"; the commands are:";
    for (const Word& entry : kWords) {
        message += ' ';
        message += entry.word;
    }
    return message;
}

}  // namespace corvantis
