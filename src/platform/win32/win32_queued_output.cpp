#include "platform/win32/win32_queued_output.h"

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <iostream>
#include <mutex>
#include <thread>

namespace corvantis {

struct QueuedOutput::Shared {
    std::mutex lock;
    std::condition_variable changed;
    std::deque<std::string> queue;
    std::size_t queuedBytes = 0;
    bool writing = false;       // the helper holds a unit it took from the queue
    std::uint64_t dropped = 0;  // since the last report
    std::uint64_t droppedTotal = 0;
    bool ended = false;
    HANDLE handle = nullptr;
};

namespace {

// The helper: writes each unit whole, in order, until the output breaks.
void WriteQueued(const std::shared_ptr<QueuedOutput::Shared>& shared) {
    std::unique_lock<std::mutex> guard(shared->lock);
    for (;;) {
        shared->changed.wait(guard, [&] { return !shared->queue.empty() || shared->ended; });
        if (shared->ended) {
            return;
        }
        const std::string unit = std::move(shared->queue.front());
        shared->queue.pop_front();
        shared->writing = true;
        guard.unlock();
        std::size_t done = 0;
        bool broken = false;
        while (done < unit.size() && !broken) {
            DWORD written = 0;
            broken = !WriteFile(shared->handle, unit.data() + done,
                                static_cast<DWORD>(unit.size() - done), &written, nullptr);
            done += written;
        }
        guard.lock();
        shared->writing = false;
        shared->queuedBytes -= unit.size();
        if (broken) {
            shared->ended = true;  // the reader went away or the output broke
            shared->queue.clear();
            shared->queuedBytes = 0;
        } else if (shared->queue.empty() && shared->dropped > 0) {
            std::string report = std::to_string(shared->dropped) +
                                 " output lines were dropped while nobody read this output\n";
            shared->dropped = 0;
            shared->queuedBytes += report.size();
            shared->queue.push_back(std::move(report));
        }
        shared->changed.notify_all();
    }
}

}  // namespace

QueuedOutput::QueuedOutput(void* handle) : m_shared(std::make_shared<Shared>()) {
    m_shared->handle = static_cast<HANDLE>(handle);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
        m_shared->ended = true;
        return;
    }
    std::thread([shared = m_shared] { WriteQueued(shared); }).detach();
}

QueuedOutput::~QueuedOutput() {
    if (!m_pending.empty()) {
        m_pending += '\n';
        sync();
    }
    std::unique_lock<std::mutex> guard(m_shared->lock);
    m_shared->changed.wait_for(guard, std::chrono::milliseconds(kDrainWaitMs), [&] {
        return (m_shared->queue.empty() && !m_shared->writing) || m_shared->ended;
    });
    // The helper ends at its next look at the queue; one blocked in a write stays until the
    // process ends.
    m_shared->ended = true;
    m_shared->changed.notify_all();
}

std::uint64_t QueuedOutput::DroppedLines() const {
    const std::lock_guard<std::mutex> guard(m_shared->lock);
    return m_shared->droppedTotal;
}

std::size_t QueuedOutput::QueuedBytes() const {
    const std::lock_guard<std::mutex> guard(m_shared->lock);
    return m_shared->queuedBytes;
}

bool QueuedOutput::Ended() const {
    const std::lock_guard<std::mutex> guard(m_shared->lock);
    return m_shared->ended;
}

QueuedOutput::int_type QueuedOutput::overflow(int_type c) {
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        m_pending += traits_type::to_char_type(c);
    }
    return traits_type::not_eof(c);
}

std::streamsize QueuedOutput::xsputn(const char* text, std::streamsize count) {
    m_pending.append(text, static_cast<std::size_t>(count));
    return count;
}

int QueuedOutput::sync() {
    // Whole lines go over together; a piece without an end of line waits for it, unless it
    // grows long.
    constexpr std::size_t kLongestPiece = 4096;
    const std::size_t end = m_pending.rfind('\n');
    if (end == std::string::npos && m_pending.size() < kLongestPiece) {
        return 0;
    }
    const std::size_t cut = end == std::string::npos ? m_pending.size() : end + 1;
    std::string unit = m_pending.substr(0, cut);
    m_pending.erase(0, cut);
    const std::lock_guard<std::mutex> guard(m_shared->lock);
    if (m_shared->ended) {
        return 0;
    }
    if (m_shared->queuedBytes + unit.size() > kQueueLimit) {
        ++m_shared->dropped;
        ++m_shared->droppedTotal;
        return 0;
    }
    m_shared->queuedBytes += unit.size();
    m_shared->queue.push_back(std::move(unit));
    m_shared->changed.notify_all();
    return 0;
}

QueuedStandardStreams::QueuedStandardStreams()
    : m_out(GetStdHandle(STD_OUTPUT_HANDLE)),
      m_err(GetStdHandle(STD_ERROR_HANDLE)),
      m_oldOut(std::cout.rdbuf(&m_out)),
      m_oldErr(std::cerr.rdbuf(&m_err)) {}

QueuedStandardStreams::~QueuedStandardStreams() {
    std::cout.flush();
    std::cerr.flush();
    std::cout.rdbuf(m_oldOut);
    std::cerr.rdbuf(m_oldErr);
}

}  // namespace corvantis
