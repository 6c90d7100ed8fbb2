#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

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
