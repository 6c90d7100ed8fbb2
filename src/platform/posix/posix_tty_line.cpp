#include "platform/posix/posix_tty_line.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/failure.h"

namespace corvantis::posix {

namespace {

[[noreturn]] void RaiseErrno(const std::string& what) {
    const int number = errno;
    throw Failure(number, what + ": " + std::strerror(number));
}

// Raw bytes, 9600 baud, 8 data bits, no parity, 1 stop bit, no flow control.
void MakeRaw(int fd, const std::string& name) {
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0) {
        RaiseErrno("cannot read the line settings of " + name);
    }
    ::cfmakeraw(&settings);
    settings.c_cflag &= ~static_cast<tcflag_t>(PARENB | CSTOPB | CSIZE | CRTSCTS);
    settings.c_cflag |= CS8 | CREAD | CLOCAL;
    ::cfsetispeed(&settings, B9600);
    ::cfsetospeed(&settings, B9600);
    if (::tcsetattr(fd, TCSANOW, &settings) != 0) {
        RaiseErrno("cannot set " + name + " to 9600 8N1");
    }
}

}  // namespace

TtyLine::TtyLine(const std::string& device) : m_slavePath(device) {
    m_fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) {
        RaiseErrno("cannot open " + device);
    }
    try {
        MakeRaw(m_fd, device);
    } catch (...) {
        ::close(m_fd);
        throw;
    }
}

TtyLine TtyLine::NewPseudoTerminal() {
    TtyLine line;
    char name[256] = {};
    if (::openpty(&line.m_fd, &line.m_slaveFd, name, nullptr, nullptr) != 0) {
        RaiseErrno("cannot make a pseudo-terminal pair");
    }
    line.m_slavePath = name;
    ::fcntl(line.m_fd, F_SETFL, ::fcntl(line.m_fd, F_GETFL) | O_NONBLOCK);
    ::fcntl(line.m_fd, F_SETFD, FD_CLOEXEC);
    ::fcntl(line.m_slaveFd, F_SETFD, FD_CLOEXEC);
    MakeRaw(line.m_slaveFd, line.m_slavePath);
    return line;
}

TtyLine::TtyLine(TtyLine&& other) noexcept
    : m_fd(other.m_fd), m_slaveFd(other.m_slaveFd), m_slavePath(std::move(other.m_slavePath)) {
    other.m_fd = -1;
    other.m_slaveFd = -1;
}

TtyLine::~TtyLine() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
    if (m_slaveFd >= 0) {
        ::close(m_slaveFd);
    }
}

std::string TtyLine::Read(std::chrono::milliseconds wait) {
    pollfd entry{m_fd, POLLIN, 0};
    const int ready = ::poll(&entry, 1, static_cast<int>(wait.count()));
    if (ready < 0) {
        if (errno == EINTR) {
            return {};
        }
        RaiseErrno("cannot wait for " + m_slavePath);
    }
    if (ready == 0) {
        return {};
    }
    if ((entry.revents & (POLLERR | POLLNVAL)) != 0) {
        throw Failure(EIO, m_slavePath + " is gone");
    }
    char buffer[4096];
    const ssize_t count = ::read(m_fd, buffer, sizeof buffer);
    if (count < 0) {
        // A pseudo-terminal whose other end is closed reads EIO until it is opened again.
        if (errno == EAGAIN || errno == EINTR || (errno == EIO && m_slaveFd >= 0)) {
            return {};
        }
        RaiseErrno("cannot read " + m_slavePath);
    }
    return std::string(buffer, static_cast<std::size_t>(count));
}

void TtyLine::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t count = ::write(m_fd, bytes.data(), bytes.size());
        if (count < 0) {
            if (errno == EINTR || errno == EAGAIN) {
                pollfd entry{m_fd, POLLOUT, 0};
                ::poll(&entry, 1, 100);
                continue;
            }
            RaiseErrno("cannot write " + m_slavePath);
        }
        bytes.remove_prefix(static_cast<std::size_t>(count));
    }
}

}  // namespace corvantis::posix
