#include "app/linux/headless.h"

#include <unistd.h>
#include <iostream>

namespace corvantis {

StdinCommands::StdinCommands(Window& w) : m_lines(w, std::cerr) {
    m_notifier = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] { ReadAvailable(); });
}

void StdinCommands::ReadAvailable() {
    char buffer[4096];
    const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (count <= 0) {
        // End of input (or an error): stop watching; the program keeps running.
        m_notifier->setEnabled(false);
        return;
    }
    m_lines.Feed(std::string_view(buffer, static_cast<std::size_t>(count)));
}

}  // namespace corvantis
