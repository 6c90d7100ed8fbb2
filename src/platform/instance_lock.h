// One running program per settings folder, so a copy started at logon and one started by hand
// never fight over the serial port and the INI files.
#pragma once

#include <cstdint>
#include <string>

namespace corvantis {

// Whether the other copy shows a window that can be brought forward, or runs headless.
enum class InstanceMode { Window, Headless };

// Whether some program holds the lock of a settings folder, asked without taking it, so that
// asking never stops a copy that starts at the same moment. Unknown when the OS cannot tell.
enum class LockState { Held, Free, Unknown };
LockState ProbeInstanceLock(const std::string& settingsFolder);

// The lock of one settings folder, taken when constructed and held until destroyed. The OS
// releases it when the process ends, however it ends, so a crash never leaves a stale lock.
// However the folder is spelled ("." or ".." on the way, trailing separators, letter case, a
// short name, a link), every copy meets the same lock. POSIX: an advisory lock on the file
// ".corvantis.lock" in the folder, the same file by any path; Windows: a named mutex of the
// session, named after the opened folder's volume serial number and file index (its final
// path, case-folded, on a file system without file indexes).
class InstanceLock {
public:
    InstanceLock(const std::string& settingsFolder, InstanceMode mode);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // False when another running program holds the folder's lock.
    bool Held() const { return m_held; }
    // When not held: the other program's process id and mode, where the OS tells them (0 and
    // Headless otherwise).
    std::int64_t OtherProcess() const { return m_otherProcess; }
    InstanceMode OtherMode() const { return m_otherMode; }
    // The one line to tell the operator when not held.
    std::string Refusal(const std::string& settingsFolder) const;

private:
    std::intptr_t m_handle = -1;
    bool m_held = false;
    std::int64_t m_otherProcess = 0;
    InstanceMode m_otherMode = InstanceMode::Headless;
};

}  // namespace corvantis
