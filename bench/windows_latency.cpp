// windows_latency [seconds] [start-ups]
//
// corvantis.exe under wine, against the least a Windows program can do. In one throwaway
// wine prefix with COM1 linked to a pseudo-terminal whose far end a reader thread stamps with
// the wall clock:
//   1. corvantis.exe --headless for `seconds` (default 30): how late after the even second
//      each message's first byte arrives; its idle CPU and resident memory meanwhile;
//   2. minimal_writer.exe (an absolute high-resolution waitable timer, then WriteFile) for
//      the same span: the same figure for the yardstick;
//   3. `start-ups` (default 5) starts of corvantis.exe, each reporting from inside the program
//      the time from the entry of main() to its first timer tick;
// and the size of corvantis.exe stripped. Prints figures; passes or fails nothing.
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/pty_pair.h"
#include "windows_e2e/support/wine_prefix.h"
#include "wire_timing.h"

namespace corvantis::bench {
namespace {

using namespace std::chrono_literals;
using testing::WinePrefix;

// Stamps every byte the far end of the line reads with the wall clock, on a thread of its
// own so the stamps do not wait for the test's other work.
class LineReader {
public:
    explicit LineReader(int master) : m_master(master), m_thread([this] { Read(); }) {}
    ~LineReader() {
        m_stop = true;
        m_thread.join();
    }
    // The messages read since the last call, and a fresh recorder.
    std::vector<Arrival> Take() {
        const std::lock_guard<std::mutex> guard(m_lock);
        std::vector<Arrival> arrivals = m_wire.Arrivals();
        m_wire = WireRecorder();
        return arrivals;
    }

private:
    void Read() {
        while (!m_stop) {
            pollfd watch{m_master, POLLIN, 0};
            if (::poll(&watch, 1, 50) != 1) {
                continue;
            }
            const auto at = RealtimeNow();
            char buffer[256];
            const ssize_t got = ::read(m_master, buffer, sizeof buffer);
            if (got > 0) {
                const std::lock_guard<std::mutex> guard(m_lock);
                m_wire.Feed(std::string_view(buffer, static_cast<std::size_t>(got)), at);
            }
        }
    }

    int m_master;
    std::atomic<bool> m_stop = false;
    std::mutex m_lock;
    WireRecorder m_wire;
    std::thread m_thread;
};

void PrintDelays(const char* what, const Summary& s) {
    std::printf("  %-34s %4zu messages  p50 %7.3f ms  p99 %7.3f ms  max %7.3f ms\n", what, s.count,
                s.p50, s.p99, s.max);
}

std::string SettingsFolder(WinePrefix& prefix, const std::string& name) {
    const std::string folder = prefix.Scratch() + "/" + name;
    ::mkdir(folder.c_str(), 0700);
    const std::string ini = "[SerialSync]\r\nCOMPORT=COM1\r\n";
    if (FILE* file = std::fopen((folder + "/Corvantis.ini").c_str(), "wb")) {
        std::fwrite(ini.data(), 1, ini.size(), file);
        std::fclose(file);
    }
    return WinePrefix::WindowsPath(folder);
}

// From "first tick 92.5 ms after start, 0.9 ms after its boundary" in `err`: the two
// figures, negative when absent.
std::pair<double, double> FirstTick(const std::string& err) {
    const auto at = err.find("first tick ");
    const auto part = err.find("start, ", at);
    if (at == std::string::npos || part == std::string::npos) {
        return {-1, -1};
    }
    return {std::atof(err.c_str() + at + 11), std::atof(err.c_str() + part + 7)};
}

long FileSize(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? static_cast<long>(info.st_size) : -1;
}

int Main(int seconds, int startUps) {
    const std::string exe = CORVANTIS_WINDOWS_EXE;
    const std::string writer = CORVANTIS_MINIMAL_WRITER;
    std::printf("windows_latency: preparing a wine prefix...\n");
    WinePrefix prefix;
    corvantis::testing::PtyPair line;
    prefix.LinkComPort(1, line.SlavePath());
    LineReader reader(line.Master());
    const std::map<std::string, std::string> environment{{"TZ", "UTC"},
                                                         {"CORVANTIS_REPORT_FIRST_TICK", "1"}};

    // 1. corvantis.exe headless.
    auto program = prefix.Start(exe, {"--headless", "--settings-dir", SettingsFolder(prefix, "a")},
                                environment);
    program->WaitFor("port-opened COM1", 30s);
    std::this_thread::sleep_for(3s);  // past start-up
    reader.Take();
    const auto from = RealtimeNow();
    const auto cpuBefore = program->CpuTime();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const auto cpu = program->CpuTime() - cpuBefore;
    const long rss = program->ResidentKb();
    const Summary exeDelays = Summarize(DelaysAfterCarriedSecond(reader.Take(), from));
    program->Write("exit\n");
    program->Wait(10s);

    // 2. The yardstick, same line, same prefix.
    const auto writerFrom = RealtimeNow();
    const auto yardstick = prefix.Run(writer, {std::to_string(seconds)},
                                      std::chrono::seconds(seconds + 30), {}, environment);
    const Summary writerDelays = Summarize(DelaysAfterCarriedSecond(reader.Take(), writerFrom));
    if (yardstick.exitCode != 0) {
        std::printf("  minimal_writer failed: %s\n", yardstick.err.c_str());
    }

    // 3. Entry to first tick, as the program measures it.
    std::vector<double> firstTicks, readyTimes;
    for (int i = 0; i < startUps; ++i) {
        auto run = prefix.Start(exe, {"--headless", "--settings-dir", SettingsFolder(prefix, "b")},
                                environment);
        if (run->WaitFor("first tick ", 30s, true)) {
            run->WaitFor(" after its boundary", 1s, true);
            const auto [total, lateness] = FirstTick(run->Err());
            firstTicks.push_back(total);
            readyTimes.push_back(total - lateness);
        }
        run->Write("exit\n");
        run->Wait(10s);
        reader.Take();
    }
    const Summary firstTick = Summarize(firstTicks);
    const Summary ready = Summarize(readyTimes);

    // Size, stripped as an installer would ship it.
    const std::string stripped = prefix.Scratch() + "/corvantis-stripped.exe";
    const std::string strip =
        "x86_64-w64-mingw32-strip -o '" + stripped + "' '" + exe + "' 2>/dev/null";
    const long strippedSize = std::system(strip.c_str()) == 0 ? FileSize(stripped) : -1;

    std::printf("\ncorvantis.exe under wine, %d s per run\n", seconds);
    std::printf("first byte after the even second it carries:\n");
    PrintDelays("corvantis.exe --headless", exeDelays);
    PrintDelays("minimal_writer.exe (yardstick)", writerDelays);
    if (writerDelays.p50 > 0) {
        std::printf("  p50 ratio corvantis.exe / yardstick: %.2f\n",
                    exeDelays.p50 / writerDelays.p50);
    }
    std::printf("entry of main() to first tick (%zu starts): p50 %.1f ms, max %.1f ms\n",
                firstTick.count, firstTick.p50, firstTick.max);
    std::printf(
        "  entry to the tenth of a second that tick was due at (the program was ready\n"
        "  before it and waited for it): p50 %.1f ms, max %.1f ms\n",
        ready.p50, ready.max);
    std::printf("idle CPU (port open, sending every 2 s): %.3f %% of one core over %d s\n",
                100.0 * static_cast<double>(cpu.count()) / (seconds * 1000.0), seconds);
    std::printf("resident memory of the wine process: %ld kB\n", rss);
    std::printf("corvantis.exe: %ld bytes, %ld bytes stripped\n", FileSize(exe), strippedSize);
    return 0;
}

}  // namespace
}  // namespace corvantis::bench

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::max(4, std::atoi(argv[1])) : 30;
    const int startUps = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    return corvantis::bench::Main(seconds, startUps);
}
