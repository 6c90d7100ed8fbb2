// Timing clock messages as they reach the far end of the serial line, for the bench programs.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvantis::bench {

// CLOCK_REALTIME: the PC's wall clock (UTC since 1970), the clock the messages carry.
std::chrono::nanoseconds RealtimeNow();

// Sleeps until the wall clock reads `when` (UTC since 1970).
void SleepUntilRealtime(std::chrono::nanoseconds when);

// The UTC second a 35-character time-only or rules message (kind 1 or 2) carries in its time
// block ("*", second, minute, hour, day, month, year), as seconds since 1970; nothing for
// other messages and when the block does not read as a date and time.
std::optional<std::chrono::seconds> CarriedSecond(std::string_view message);

// One message as it came off the line: the wall-clock time its first byte ("*") was read,
// and its 35 characters.
struct Arrival {
    std::chrono::nanoseconds firstByte;
    std::string message;
};

// Cuts the bytes read from the line into messages. Bytes before a "*" are skipped; a message
// is complete at 35 characters.
class WireRecorder {
public:
    // `bytes` were read at wall-clock time `readAt`.
    void Feed(std::string_view bytes, std::chrono::nanoseconds readAt);
    const std::vector<Arrival>& Arrivals() const { return m_arrivals; }

private:
    std::vector<Arrival> m_arrivals;
    std::string m_partial;
    std::chrono::nanoseconds m_partialStart{};
};

// How long after the start of the second it carries each message's first byte arrived, in
// milliseconds. Left out: messages that carry no time, and those whose second began before
// `from` (wall clock), which a tick sent late in the second it was started in.
std::vector<double> DelaysAfterCarriedSecond(const std::vector<Arrival>& arrivals,
                                             std::chrono::nanoseconds from);

// Nearest-rank percentiles of a set of figures in milliseconds; all zero when empty.
struct Summary {
    std::size_t count = 0;
    double p50 = 0;
    double p99 = 0;
    double max = 0;
};
Summary Summarize(std::vector<double> figures);

// Milliseconds of a duration, as a floating-point figure.
double Millis(std::chrono::nanoseconds span);

// A fresh folder under $TMPDIR (or /tmp), removed with its content at destruction.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& Path() const { return m_path; }
    // Writes `bytes` to the file `name` in the folder.
    void Write(const std::string& name, const std::string& bytes) const;

private:
    std::string m_path;
};

}  // namespace corvantis::bench
