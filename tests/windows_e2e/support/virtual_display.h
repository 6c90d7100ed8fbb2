// A virtual X server for tests that open windows under wine.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace corvantis::testing {

// A virtual X server (Xvfb) for as long as the object lives, on a display number it picks,
// with one screen of `screen` (WIDTHxHEIGHTxDEPTH).
class VirtualDisplay {
public:
    explicit VirtualDisplay(const std::string& screen = "1280x1024x24") {
        int ready[2];
        if (::pipe(ready) != 0) {
            return;
        }
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(ready[0]);
            const std::string fd = std::to_string(ready[1]);
            ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(),
                     "-nolisten", "tcp", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(ready[1]);
        // Xvfb writes the display number once it accepts connections.
        std::string number;
        pollfd watch{ready[0], POLLIN, 0};
        char c = 0;
        while (::poll(&watch, 1, 10000) == 1 && ::read(ready[0], &c, 1) == 1 && c != '\n') {
            number += c;
        }
        ::close(ready[0]);
        if (!number.empty()) {
            m_name = ":" + number;
        }
    }
    ~VirtualDisplay() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    // ":N", or empty when the server did not start.
    const std::string& Name() const { return m_name; }

private:
    pid_t m_pid = -1;
    std::string m_name;
};

}  // namespace corvantis::testing
