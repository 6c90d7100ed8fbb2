// Standard output and standard error that never hold up the program: a log line that cannot
// be written now waits in a bounded queue, and lines that do not fit are dropped and counted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <streambuf>
#include <string>

#include "platform/posix/event_loop.h"

namespace corvantis::posix {

// A stream buffer over an output descriptor (a pipe, terminal or file) that never blocks:
// - the descriptor is written through a non-blocking open file of its own (a fresh open of
//   /proc/self/fd/N where the system allows, so the descriptor the parent shares keeps its
//   mode; otherwise the descriptor itself is made non-blocking, and its mode comes back on
//   destruction);
// - each flush of the stream (std::endl, std::flush) hands over the whole lines put since as
//   one unit: written at once as far as the descriptor takes it, the rest queued; a unit that
//   does not fit in kQueueLimit bytes is dropped whole and counted;
// - once the queue has drained, one line says how many lines were dropped;
// - a reader that went away (EPIPE) or another write error ends the output for good: later
//   lines are discarded quietly. Needs SIGPIPE ignored (IgnoreBrokenPipes).
// Attached to a loop, the queue is written whenever the descriptor is writable, waking the loop
// only while lines wait.
class NonBlockingOutput : public std::streambuf {
public:
    static constexpr std::size_t kQueueLimit = 64 * 1024;

    explicit NonBlockingOutput(int fd);
    ~NonBlockingOutput() override;
    NonBlockingOutput(const NonBlockingOutput&) = delete;
    NonBlockingOutput& operator=(const NonBlockingOutput&) = delete;

    // Writes the queue on `loop` as the descriptor takes it; `loop` must outlive this object
    // or Detach must be called first.
    void AttachTo(EventLoop& loop);
    void Detach();

    // Writes what the descriptor takes now; returns whether the queue is empty.
    bool Flush();

    std::uint64_t DroppedLines() const { return m_droppedTotal; }
    std::size_t QueuedBytes() const { return m_queuedBytes; }
    bool Ended() const { return m_ended; }

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* text, std::streamsize count) override;
    int sync() override;

private:
    void Enqueue(std::string text);
    void Watch();

    int m_fd;
    int m_ownFd = -1;  // the fresh open, when there is one
    int m_restoreFlags = -1;
    std::string m_pending;
    std::deque<std::string> m_queue;
    std::size_t m_queuedBytes = 0;
    std::size_t m_writtenOfFront = 0;
    std::uint64_t m_dropped = 0;  // since the last report
    std::uint64_t m_droppedTotal = 0;
    bool m_ended = false;
    EventLoop* m_loop = nullptr;
    int m_watch = 0;
};

// From here on a write to a pipe nobody reads fails with EPIPE instead of ending the process.
void IgnoreBrokenPipes();

// Puts std::cout and std::cerr (and so every log, warning and answer line) on non-blocking
// outputs over descriptors 1 and 2 while alive, attached to `loop`; the streams' former
// buffers come back on destruction, after a last non-blocking flush.
class NonBlockingStandardStreams {
public:
    explicit NonBlockingStandardStreams(EventLoop* loop);
    ~NonBlockingStandardStreams();
    NonBlockingStandardStreams(const NonBlockingStandardStreams&) = delete;
    NonBlockingStandardStreams& operator=(const NonBlockingStandardStreams&) = delete;

    NonBlockingOutput& Out() { return m_out; }
    NonBlockingOutput& Err() { return m_err; }

private:
    NonBlockingOutput m_out;
    NonBlockingOutput m_err;
    std::streambuf* m_oldOut;
    std::streambuf* m_oldErr;
};

}  // namespace corvantis::posix
