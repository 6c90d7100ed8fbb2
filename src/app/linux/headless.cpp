#include "app/linux/headless.h"

#include <QCoreApplication>

#include <unistd.h>
#include <iostream>

#include "window/operator_words.h"
#include "window/window.h"

namespace corvantis {

void StderrMessageDialog::Show(const std::string& text, const std::string& title, MessageIcon) {
    std::cerr << title << ": " << text << std::endl;
}

void StderrStatusLine::ShowWarning(const std::string& text) {
    if (m_shown.insert(text).second) {
        std::cerr << "warning: " << text << std::endl;
    }
}

void HeadlessHost::EndProgram() {
    QCoreApplication::exit(0);
}

StdinCommands::StdinCommands(Window& w) : m_window(w) {
    m_notifier = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] { ReadAvailable(); });
}

void StdinCommands::ReadAvailable() {
    char buffer[512];
    const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (count <= 0) {
        // End of input (or an error): stop watching; the program keeps running.
        m_notifier->setEnabled(false);
        return;
    }
    m_pending.append(buffer, static_cast<std::size_t>(count));
    std::size_t end;
    while ((end = m_pending.find('\n')) != std::string::npos) {
        const std::string line = m_pending.substr(0, end);
        m_pending.erase(0, end + 1);
        if (RunOperatorWord(m_window, line) == WordResult::Unknown) {
            std::cerr << UnknownWordMessage(line) << std::endl;
        }
    }
}

}  // namespace corvantis
