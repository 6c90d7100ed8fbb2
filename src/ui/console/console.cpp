#include "ui/console/console.h"

#include <iostream>

#include "ui/console/operator_words.h"

namespace corvantis {

namespace {
// `text` with `prefix` before each of its lines.
std::string EachLine(const std::string& text, const std::string& prefix) {
    std::string out = prefix;
    for (const char c : text) {
        out += c;
        if (c == '\n') {
            out += prefix;
        }
    }
    return out;
}
}  // namespace

void StderrMessageDialog::Show(const std::string& text, const std::string& title,
                               MessageIcon icon) {
    const char* priority = !m_priorities                   ? ""
                           : icon == MessageIcon::Critical ? kJournalError
                                                           : kJournalWarning;
    std::cerr << EachLine(title + ": " + text, priority) << std::endl;
}

void StderrStatusLine::ShowWarning(const std::string& text) {
    if (text == m_last) {
        return;
    }
    m_last = text;
    if (text.empty()) {
        return;  // nothing to warn of: the next warning is a new one
    }
    m_out << EachLine("warning: " + text, m_priorities ? kJournalWarning : "") << std::endl;
}

std::function<void(const std::string&)> ShowNonEmpty(StatusLine& status) {
    return [&status](const std::string& text) {
        if (!text.empty()) {
            status.ShowWarning(text);
        }
    };
}

void OperatorLines::Feed(std::string_view bytes) {
    for (const char c : bytes) {
        if (c == '\n') {
            EndLine();
        } else if (m_overlong) {
            continue;
        } else if (m_line.size() < kMaxLineLength) {
            m_line += c;
        } else {
            m_overlong = true;
            m_line.clear();
            m_line.shrink_to_fit();
        }
    }
}

void OperatorLines::EndLine() {
    if (m_overlong) {
        m_answers << "line longer than " << kMaxLineLength << " characters ignored" << std::endl;
    } else if (RunOperatorWord(m_window, m_line) == WordResult::Unknown) {
        m_answers << UnknownWordMessage(m_line) << std::endl;
    }
    m_line.clear();
    m_overlong = false;
}

}  // namespace corvantis
