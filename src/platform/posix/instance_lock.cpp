#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

namespace corvantis {

namespace {
constexpr const char* kLockFileName = "/.corvantis.lock";
constexpr const char* kWindowWord = "window";
}  // namespace

InstanceLock::InstanceLock(const std::string& settingsFolder, InstanceMode mode) {
    const std::string path = settingsFolder + kLockFileName;
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        // A folder the program cannot write to cannot be fought over either: the settings
        // cannot be saved there, so a second copy can do no harm to them.
        m_held = true;
        return;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        char text[64] = {};
        const ssize_t got = ::pread(fd, text, sizeof text - 1, 0);
        if (got > 0) {
            char word[16] = {};
            long long pid = 0;
            if (std::sscanf(text, "%lld %15s", &pid, word) >= 1) {
                m_otherProcess = pid;
                m_otherMode = std::string(word) == kWindowWord ? InstanceMode::Window
                                                               : InstanceMode::Headless;
            }
        }
        ::close(fd);
        return;
    }
    m_handle = fd;
    m_held = true;
    char text[64];
    const int length =
        std::snprintf(text, sizeof text, "%lld %s\n", static_cast<long long>(::getpid()),
                      mode == InstanceMode::Window ? kWindowWord : "headless");
    if (::ftruncate(fd, 0) == 0) {
        [[maybe_unused]] const auto written = ::pwrite(fd, text, static_cast<size_t>(length), 0);
    }
}

InstanceLock::~InstanceLock() {
    if (m_handle >= 0) {
        // The file stays: removing it would race with a copy starting now.
        ::close(static_cast<int>(m_handle));
    }
}

}  // namespace corvantis

namespace corvantis {

namespace {
// Whether /proc/locks lists an flock of the file with inode `inode` on the device
// `deviceMajor`:`deviceMinor`. Nothing when the list cannot be read.
std::optional<bool> ListedInProcLocks(unsigned deviceMajor, unsigned deviceMinor,
                                      unsigned long long inode) {
    std::ifstream locks("/proc/locks");
    if (!locks) {
        return std::nullopt;
    }
    std::string line;
    while (std::getline(locks, line)) {
        // "1: FLOCK  ADVISORY  WRITE 1234 08:01:5678 0 EOF" (blocked waiters add "->").
        char kind[16] = {}, arrow[4] = {};
        unsigned major = 0, minor = 0;
        unsigned long long node = 0;
        long long pid = 0;
        if (std::sscanf(line.c_str(), "%*d: %3[->] %15s %*s %*s %lld %x:%x:%llu", arrow, kind, &pid,
                        &major, &minor, &node) == 6 ||
            std::sscanf(line.c_str(), "%*d: %15s %*s %*s %lld %x:%x:%llu", kind, &pid, &major,
                        &minor, &node) == 5) {
            if (arrow[0] == '\0' && std::string(kind) == "FLOCK" && node == inode &&
                major == deviceMajor && minor == deviceMinor) {
                return true;
            }
        }
    }
    return false;
}
}  // namespace

LockState ProbeInstanceLock(const std::string& settingsFolder) {
    struct stat file {};
    if (::stat((settingsFolder + kLockFileName).c_str(), &file) != 0) {
        return errno == ENOENT ? LockState::Free : LockState::Unknown;
    }
    const std::optional<bool> listed = ListedInProcLocks(
        major(file.st_dev), minor(file.st_dev), static_cast<unsigned long long>(file.st_ino));
    if (!listed) {
        return LockState::Unknown;
    }
    return *listed ? LockState::Held : LockState::Free;
}

}  // namespace corvantis
