// Standard output and standard error that never hold up the program on Windows: lines are
// handed to a helper thread through a bounded queue, and lines that do not fit are dropped
// and counted. Plain C++ header; <windows.h> stays in the .cpp file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <streambuf>
#include <string>

namespace corvantis {

// A stream buffer over an output handle (a console, pipe or file) whose writes never wait:
// each flush of the stream hands over the whole lines put since as one unit to a helper thread
// that does nothing but write them, in order. A unit that does not fit in kQueueLimit bytes
// is dropped whole and counted; once the queue has drained, one line says how many were
// dropped. A reader that went away (a broken pipe) or another write error ends the output for
// good: later lines are discarded quietly. The helper may stay blocked in a write after this
// object is gone; it touches nothing but the queue it shares.
class QueuedOutput : public std::streambuf {
public:
    static constexpr std::size_t kQueueLimit = 64 * 1024;
    // How long destruction waits for the queue to drain.
    static constexpr unsigned kDrainWaitMs = 1000;

    // `handle` is a Win32 HANDLE; it stays the caller's and must stay open for the process.
    explicit QueuedOutput(void* handle);
    ~QueuedOutput() override;
    QueuedOutput(const QueuedOutput&) = delete;
    QueuedOutput& operator=(const QueuedOutput&) = delete;

    std::uint64_t DroppedLines() const;
    std::size_t QueuedBytes() const;
    bool Ended() const;

    struct Shared;

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* text, std::streamsize count) override;
    int sync() override;

private:
    std::shared_ptr<Shared> m_shared;
    std::string m_pending;
};

// Puts std::cout and std::cerr on queued outputs over the process's standard output and
// error handles while alive; the former buffers come back on destruction.
class QueuedStandardStreams {
public:
    QueuedStandardStreams();
    ~QueuedStandardStreams();
    QueuedStandardStreams(const QueuedStandardStreams&) = delete;
    QueuedStandardStreams& operator=(const QueuedStandardStreams&) = delete;

private:
    QueuedOutput m_out;
    QueuedOutput m_err;
    std::streambuf* m_oldOut;
    std::streambuf* m_oldErr;
};

}  // namespace corvantis
