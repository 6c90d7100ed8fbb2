#include "app/console/console.h"

#include <iostream>

#include "window/operator_words.h"

namespace corvantis {

void StderrMessageDialog::Show(const std::string& text, const std::string& title, MessageIcon) {
    std::cerr << title << ": " << text << std::endl;
}

void StderrStatusLine::ShowWarning(const std::string& text) {
    if (text == m_last) {
        return;
    }
    m_last = text;
    if (text.empty()) {
        return;  // nothing to warn of: the next warning is a new one
    }
    m_out << "warning: " << text << std::endl;
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
