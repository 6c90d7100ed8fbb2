#include "app/headless.h"

#include <QCoreApplication>

#include <sys/socket.h>
#include <unistd.h>
#include <csignal>
#include <cstdio>
#include <iostream>

#include "window/operator_words.h"
#include "window/window.h"

namespace corvantis {

namespace {
int g_signalPipe[2] = {-1, -1};

void OnTerminationSignal(int) {
    const char byte = 1;
    // Only async-signal-safe work here: wake the event loop.
    [[maybe_unused]] const auto written = ::write(g_signalPipe[1], &byte, 1);
}
}  // namespace

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

TerminationSignals::TerminationSignals(std::function<void()> onSignal)
    : m_onSignal(std::move(onSignal)) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0) {
        std::perror("socketpair");
        return;
    }
    m_notifier = std::make_unique<QSocketNotifier>(g_signalPipe[0], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] {
        char byte;
        [[maybe_unused]] const auto got = ::read(g_signalPipe[0], &byte, 1);
        m_onSignal();
    });
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

TerminationSignals::~TerminationSignals() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

}  // namespace corvantis
