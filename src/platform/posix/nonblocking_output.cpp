#include "platform/posix/nonblocking_output.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <iostream>

namespace corvantis::posix {

NonBlockingOutput::NonBlockingOutput(int fd) : m_fd(fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        m_ended = true;
        return;
    }
    if (S_ISREG(info.st_mode)) {
        return;  // a file never makes a writer wait for a reader
    }
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    m_ownFd = ::open(self.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (m_ownFd >= 0) {
        m_fd = m_ownFd;
        return;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0 && (flags & O_NONBLOCK) == 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0) {
        m_restoreFlags = flags;
    }
}

NonBlockingOutput::~NonBlockingOutput() {
    Enqueue(std::move(m_pending));
    Flush();
    Detach();
    if (m_ownFd >= 0) {
        ::close(m_ownFd);
    }
    if (m_restoreFlags >= 0) {
        ::fcntl(m_fd, F_SETFL, m_restoreFlags);
    }
}

void NonBlockingOutput::AttachTo(EventLoop& loop) {
    m_loop = &loop;
    Watch();
}

void NonBlockingOutput::Detach() {
    if (m_loop != nullptr && m_watch != 0) {
        m_loop->Unwatch(m_watch);
    }
    m_watch = 0;
    m_loop = nullptr;
}

// Watches for room while lines wait, and not otherwise.
void NonBlockingOutput::Watch() {
    if (m_loop == nullptr) {
        return;
    }
    const bool waiting = !m_queue.empty() && !m_ended;
    if (waiting && m_watch == 0) {
        m_watch = m_loop->Watch(m_fd, POLLOUT, [this](short) { Flush(); });
    } else if (!waiting && m_watch != 0) {
        m_loop->Unwatch(m_watch);
        m_watch = 0;
    }
}

bool NonBlockingOutput::Flush() {
    while (!m_queue.empty() && !m_ended) {
        const std::string& front = m_queue.front();
        const ssize_t written =
            ::write(m_fd, front.data() + m_writtenOfFront, front.size() - m_writtenOfFront);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                m_ended = true;  // the reader went away (EPIPE) or the output broke
                m_queue.clear();
                m_queuedBytes = 0;
            }
            break;
        }
        m_writtenOfFront += static_cast<std::size_t>(written);
        if (m_writtenOfFront < front.size()) {
            continue;
        }
        m_queuedBytes -= front.size();
        m_writtenOfFront = 0;
        m_queue.pop_front();
        if (m_queue.empty() && m_dropped > 0) {
            // The report itself may be dropped later like any line; it is never lost silently
            // while the output is read at all.
            std::string report = std::to_string(m_dropped) +
                                 " output lines were dropped while nobody read this output\n";
            m_dropped = 0;
            m_queuedBytes += report.size();
            m_queue.push_back(std::move(report));
        }
    }
    Watch();
    return m_queue.empty();
}

void NonBlockingOutput::Enqueue(std::string text) {
    if (m_ended || text.empty()) {
        return;
    }
    if (m_queuedBytes + text.size() > kQueueLimit) {
        ++m_dropped;
        ++m_droppedTotal;
        return;
    }
    m_queuedBytes += text.size();
    m_queue.push_back(std::move(text));
    Flush();
}

NonBlockingOutput::int_type NonBlockingOutput::overflow(int_type c) {
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        m_pending += traits_type::to_char_type(c);
    }
    return traits_type::not_eof(c);
}

std::streamsize NonBlockingOutput::xsputn(const char* text, std::streamsize count) {
    m_pending.append(text, static_cast<std::size_t>(count));
    return count;
}

int NonBlockingOutput::sync() {
    // Whole lines go over together (standard error flushes after every insertion); a piece
    // without an end of line waits for it, unless it grows long.
    constexpr std::size_t kLongestPiece = 4096;
    const std::size_t end = m_pending.rfind('\n');
    if (end == std::string::npos && m_pending.size() < kLongestPiece) {
        return 0;
    }
    const std::size_t cut = end == std::string::npos ? m_pending.size() : end + 1;
    std::string text = m_pending.substr(0, cut);
    m_pending.erase(0, cut);
    Enqueue(std::move(text));
    return 0;
}

void IgnoreBrokenPipes() {
    ::signal(SIGPIPE, SIG_IGN);
}

NonBlockingStandardStreams::NonBlockingStandardStreams(EventLoop* loop)
    : m_out(STDOUT_FILENO),
      m_err(STDERR_FILENO),
      m_oldOut(std::cout.rdbuf(&m_out)),
      m_oldErr(std::cerr.rdbuf(&m_err)) {
    IgnoreBrokenPipes();
    if (loop != nullptr) {
        m_out.AttachTo(*loop);
        m_err.AttachTo(*loop);
    }
}

NonBlockingStandardStreams::~NonBlockingStandardStreams() {
    std::cout.flush();
    std::cerr.flush();
    std::cout.rdbuf(m_oldOut);
    std::cerr.rdbuf(m_oldErr);
}

}  // namespace corvantis::posix
