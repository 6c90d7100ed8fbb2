#include "platform/posix/termios_serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/failure.h"
#include "platform/posix/event_loop.h"

namespace corvantis::posix {
namespace {

using namespace std::chrono_literals;

// Beyond the time the line needs to send what it was handed, how long characters may still
// wait in the device's output queue before they count as held back: a USB adapter passes them
// on in frames of a few milliseconds, a UART as fast as the baud rate allows.
constexpr std::chrono::milliseconds kDrainSlack = 100ms;

std::string ErrnoText(int number) {
    return std::strerror(number);
}

// Whether errno `number` from a read or write means the device is gone.
bool MeansGone(int number) {
    return number == EIO || number == ENXIO || number == ENODEV || number == EPIPE ||
           number == EBADF;
}

// Whether the user may read and write `device` as far as the file's permissions tell.
bool MayUse(const std::string& device) {
    return ::access(device.c_str(), R_OK | W_OK) == 0;
}

// What the operator can do about an open of `device` that failed with errno `number`.
OpenTrouble TroubleOf(int number, const std::string& device) {
    switch (number) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return OpenTrouble::Absent;
        case EACCES:
        case EPERM:
            return MayUse(device) ? OpenTrouble::InUse : OpenTrouble::NoPermission;
        case EBUSY:
        case EWOULDBLOCK:
            return OpenTrouble::InUse;
        case ENOTTY:
            return OpenTrouble::NotSerial;
        default:
            return OpenTrouble::Other;
    }
}

std::string OpenProblem(int number, const std::string& device) {
    return OpenProblemText(TroubleOf(number, device), ErrnoText(number));
}

// The termios speed for `baud`, or B0 when termios has none for it.
speed_t SpeedOf(int baud) {
    struct Pair {
        int baud;
        speed_t speed;
    };
    static constexpr Pair kSpeeds[] = {
        {50, B50},           {75, B75},           {110, B110},         {134, B134},
        {150, B150},         {200, B200},         {300, B300},         {600, B600},
        {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
        {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
        {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
        {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
        {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
        {3500000, B3500000}, {4000000, B4000000},
    };
    for (const Pair& pair : kSpeeds) {
        if (pair.baud == baud) {
            return pair.speed;
        }
    }
    return B0;
}

// `line` set up raw for `settings`; the reason in `problem` when termios cannot express them.
bool Configure(termios& line, const LineSettings& settings, std::string& problem) {
    const speed_t speed = SpeedOf(settings.baud);
    if (speed == B0) {
        problem = std::to_string(settings.baud) + " baud is not a speed the device supports";
        return false;
    }
    ::cfmakeraw(&line);
    ::cfsetispeed(&line, speed);
    ::cfsetospeed(&line, speed);
    line.c_cflag |= CLOCAL | CREAD;
    line.c_cflag &= ~(CRTSCTS | CSIZE | PARENB | PARODD | CMSPAR | CSTOPB);
    line.c_iflag &= ~(IXON | IXOFF | IXANY);
    switch (settings.dataBits) {
        case 5:
            line.c_cflag |= CS5;
            break;
        case 6:
            line.c_cflag |= CS6;
            break;
        case 7:
            line.c_cflag |= CS7;
            break;
        default:
            line.c_cflag |= CS8;
            break;
    }
    switch (settings.parity) {
        case Parity::Even:
            line.c_cflag |= PARENB;
            break;
        case Parity::Odd:
            line.c_cflag |= PARENB | PARODD;
            break;
        case Parity::Mark:
            line.c_cflag |= PARENB | CMSPAR | PARODD;
            break;
        case Parity::Space:
            line.c_cflag |= PARENB | CMSPAR;
            break;
        case Parity::None:
            break;
    }
    switch (settings.stopBits) {
        case StopBits::OneAndHalf:
            problem = "1.5 stop bits are not supported";
            return false;
        case StopBits::Two:
            line.c_cflag |= CSTOPB;
            break;
        case StopBits::One:
            break;
    }
    // With the descriptor non-blocking, VMIN 1 makes a read with nothing waiting fail with
    // EAGAIN, so that a read of 0 characters means the device hung up.
    line.c_cc[VMIN] = 1;
    line.c_cc[VTIME] = 0;
    return true;
}

}  // namespace

TermiosSerialPort::TermiosSerialPort(const PortMap& ports, EventLoop* loop)
    : DeviceSerialPort(ports), m_loop(loop) {}

TermiosSerialPort::~TermiosSerialPort() {
    // The port object dies with the window; the listener belongs to the window too, so it
    // is not told.
    if (m_fd >= 0) {
        if (m_loop != nullptr) {
            m_loop->Unwatch(m_watch);
        }
        ::close(m_fd);
    }
}

void TermiosSerialPort::SetPortOpen(bool open) {
    if (!m_lostReason.empty()) {
        Close();
    }
    if (open) {
        Open();
    } else {
        Close();
    }
}

void TermiosSerialPort::Open() {
    const std::string device = DeviceToOpen();
    const auto refuse = [&](int number) {
        return Failure(port_error::kPortUnavailable,
                       PortText(m_commPort) + " cannot be opened: " + OpenProblem(number, device));
    };
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        throw refuse(errno);
    }
    termios line{};
    int problem = 0;
    if (::tcgetattr(fd, &line) != 0) {
        problem = errno;
    } else if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        problem = errno;
    }
    if (problem != 0) {
        ::close(fd);
        throw refuse(problem);
    }
    m_fd = fd;
    try {
        ApplySettings(m_settings);
    } catch (const Failure&) {
        ::close(m_fd);
        m_fd = -1;
        throw;
    }
    ClearReceived();
    m_lostReason.clear();
    UpdateWatch();
    NotifyOpenChanged(true);
}

void TermiosSerialPort::Close() {
    if (m_fd < 0) {
        return;
    }
    if (m_loop != nullptr && m_watch != 0) {
        m_loop->Unwatch(m_watch);
        m_watch = 0;
    }
    ::close(m_fd);
    m_fd = -1;
    ClearReceived();
    m_lostReason.clear();
    NotifyOpenChanged(false);
}

void TermiosSerialPort::ApplySettings(const LineSettings& settings) {
    termios line{};
    std::string problem;
    if (::tcgetattr(m_fd, &line) != 0) {
        problem = ErrnoText(errno);
    } else if (Configure(line, settings, problem) && ::tcsetattr(m_fd, TCSANOW, &line) != 0) {
        problem = ErrnoText(errno);
    }
    if (!problem.empty()) {
        throw Failure(
            port_error::kInvalidSettings,
            PortText(m_commPort) + " does not accept the line settings: " + problem + ".");
    }
}

void TermiosSerialPort::SetReadableListener(std::function<void()> listener) {
    m_readableListener = std::move(listener);
    UpdateWatch();
}

void TermiosSerialPort::UpdateWatch() {
    if (m_loop == nullptr || m_fd < 0) {
        return;
    }
    // Hang-ups and errors come whatever is asked for; characters only when someone takes them.
    const short events = m_readableListener ? POLLIN : 0;
    if (m_watch == 0) {
        m_watch = m_loop->Watch(m_fd, events, [this](short revents) { OnDeviceEvent(revents); });
    } else {
        m_loop->SetEvents(m_watch, events);
    }
}

void TermiosSerialPort::OnDeviceEvent(short revents) {
    if ((revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
        Close();  // the device went away while nothing used it
        return;
    }
    if ((revents & POLLIN) != 0 && m_readableListener) {
        m_readableListener();
    }
}

std::size_t TermiosSerialPort::ReadDevice(char* into, std::size_t room) {
    while (m_lostReason.empty()) {
        const ssize_t got = ::read(m_fd, into, room);
        if (got > 0) {
            return static_cast<std::size_t>(got);
        }
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got == 0) {
            m_lostReason = "the device hung up";
        } else if (errno != EAGAIN && errno != EWOULDBLOCK) {
            m_lostReason = ErrnoText(errno);
        }
        break;
    }
    return 0;
}

void TermiosSerialPort::DiscardDeviceInput() {
    ::tcflush(m_fd, TCIFLUSH);
}

void TermiosSerialPort::ThrowIfLost(std::string_view operation) {
    if (m_lostReason.empty()) {
        return;
    }
    const std::string reason = m_lostReason;
    Close();
    throw LostFailure(operation, reason);
}

void TermiosSerialPort::Output(std::string_view text) {
    RequireOpen("write to");
    if (text.empty()) {
        return;
    }
    // Characters still queued when the line has had time to send everything handed to it
    // were held back: the line does not drain, and what waits would reach the clocks late.
    const auto now = std::chrono::steady_clock::now();
    int queued = 0;
    if (now >= m_drainedBy && ::ioctl(m_fd, TIOCOUTQ, &queued) == 0 && queued > 0) {
        DiscardQueuedOutput(text.size(), 0, static_cast<std::size_t>(queued));
    }
    for (;;) {
        const ssize_t wrote = ::write(m_fd, text.data(), text.size());
        if (wrote == static_cast<ssize_t>(text.size())) {
            m_drainedBy =
                std::max(m_drainedBy, now) + LineTime(text.size(), m_settings) + kDrainSlack;
            return;
        }
        const int number = wrote < 0 ? errno : EAGAIN;
        if (wrote < 0 && number == EINTR) {
            continue;
        }
        if (MeansGone(number)) {
            m_lostReason = ErrnoText(number);
            ThrowIfLost("writing");
        }
        if (number == EAGAIN || number == EWOULDBLOCK) {
            // No room for the whole text: what went of it is taken back with everything
            // queued before it, so no part of it, and nothing old, reaches the line.
            DiscardQueuedOutput(text.size(), wrote > 0 ? static_cast<std::size_t>(wrote) : 0, 0);
        }
        throw Failure(port_error::kPortUnavailable,
                      "Cannot write to " + PortText(m_commPort) + ": " + ErrnoText(number) + ".");
    }
}

void TermiosSerialPort::DiscardQueuedOutput(std::size_t size, std::size_t taken,
                                            std::size_t queued) {
    ::tcflush(m_fd, TCOFLUSH);
    ++m_dropped;
    throw Failure(port_error::kOutputBufferFull,
                  "Cannot write to " + PortText(m_commPort) +
                      ": its output buffer is full (the line is not taking characters), so the " +
                      std::to_string(size) + "-character message was dropped whole" +
                      (taken > 0 ? " (the " + std::to_string(taken) + " characters taken back)"
                                 : std::string()) +
                      (queued > 0 ? " and the " + std::to_string(queued) +
                                        " characters still queued were discarded"
                                  : std::string(" and what was queued was discarded")) +
                      ". The port stays open.");
}

}  // namespace corvantis::posix
