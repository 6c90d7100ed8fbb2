#include "app/linux/termination_signals.h"

#include <sys/socket.h>
#include <unistd.h>
#include <csignal>
#include <cstdio>

namespace corvantis {

namespace {
int g_signalPipe[2] = {-1, -1};

void OnTerminationSignal(int number) {
    const char byte = static_cast<char>(number);
    // Only async-signal-safe work here: wake the event loop.
    [[maybe_unused]] const auto written = ::write(g_signalPipe[1], &byte, 1);
}
}  // namespace

TerminationSignals::TerminationSignals(std::function<void()> onSignal,
                                       std::function<void()> onRaise)
    : m_onSignal(std::move(onSignal)), m_onRaise(std::move(onRaise)) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0) {
        std::perror("socketpair");
        return;
    }
    m_notifier = std::make_unique<QSocketNotifier>(g_signalPipe[0], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        if (::read(g_signalPipe[0], &byte, 1) == 1 && byte == SIGUSR1) {
            if (m_onRaise) {
                m_onRaise();
            }
            return;
        }
        m_onSignal();
    });
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    sigaction(SIGUSR1, &action, nullptr);
}

TerminationSignals::~TerminationSignals() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGHUP, SIG_DFL);
    std::signal(SIGUSR1, SIG_IGN);
    m_notifier.reset();
    for (int& fd : g_signalPipe) {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }
}

}  // namespace corvantis
