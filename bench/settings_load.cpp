// settings_load [megabytes]
//
// What a large settings file costs at start-up: writes a Corvantis.ini of about `megabytes`
// MB (default 50) of filler sections with the real keys at its end into a scratch folder,
// then reads the 24 keys start-up reads, once by parsing the file again for every key (as a
// store without a cache would) and once through IniFileStore. Prints the CPU time and the
// growth of the peak resident memory of each. Prints figures; passes or fails nothing.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/posix/atomic_file.h"
#include "platform/posix/ini_file_store.h"
#include "wire_timing.h"

namespace {

using corvantis::posix::FileError;
using corvantis::posix::IniFileStore;

constexpr int kKeyReads = 24;
constexpr std::size_t kCapacity = 750;

double CpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

long PeakKb() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Reads the key of read number `n` (the same 24 names start-up reads, in spirit).
std::string KeyOf(int n) {
    return "key" + std::to_string(n);
}

void Report(const char* what, double cpu, long peakBefore, long peakAfter) {
    std::printf("%-36s %10.2f s CPU %10ld kB more peak memory\n", what, cpu,
                peakAfter - peakBefore);
}

}  // namespace

int main(int argc, char** argv) {
    const long megabytes = argc > 1 ? std::max(1L, std::atol(argv[1])) : 50;
    corvantis::bench::ScratchFolder folder;
    std::string text;
    text.reserve(static_cast<std::size_t>(megabytes) << 20);
    for (long section = 0; text.size() < (static_cast<std::size_t>(megabytes) << 20); ++section) {
        text += "[Filler" + std::to_string(section) + "]\r\n";
        for (int entry = 0; entry < 20; ++entry) {
            text += "Entry" + std::to_string(entry) + "=some value that nobody reads\r\n";
        }
    }
    text += "[GPS]\r\n";
    for (int n = 0; n < kKeyReads; ++n) {
        text += KeyOf(n) + "=" + std::to_string(n) + "\r\n";
    }
    folder.Write("Corvantis.ini", text);
    const std::string file = folder.Path() + "/Corvantis.ini";
    std::printf("settings file: %.1f MB, %d key reads\n", text.size() / 1048576.0, kKeyReads);
    text.clear();
    text.shrink_to_fit();

    // Each way in a process of its own, so that its peak memory is its own.
    const auto measure = [&](const char* what, auto&& readAll) {
        std::fflush(stdout);
        const pid_t child = ::fork();
        if (child == 0) {
            const long peak = PeakKb();
            const double cpu = CpuSeconds();
            readAll();
            Report(what, CpuSeconds() - cpu, peak, PeakKb());
            std::fflush(stdout);
            ::_exit(0);
        }
        ::waitpid(child, nullptr, 0);
    };
    measure("parsed again at every key read", [&] {
        for (int n = 0; n < kKeyReads; ++n) {
            std::string bytes;
            FileError error;
            corvantis::posix::ReadWholeFile(file, bytes, error);
            if (corvantis::posix::FindIniValue(bytes, "GPS", KeyOf(n)) != std::to_string(n)) {
                std::printf("wrong value for %s\n", KeyOf(n).c_str());
            }
        }
    });
    measure("IniFileStore (one parse per change)", [&] {
        IniFileStore store;
        for (int n = 0; n < kKeyReads; ++n) {
            if (store.GetString("GPS", KeyOf(n), "", kCapacity, file) != std::to_string(n)) {
                std::printf("wrong value for %s\n", KeyOf(n).c_str());
            }
        }
        std::printf("IniFileStore read the file %zu time(s)\n", store.FileReads());
    });
    return 0;
}
