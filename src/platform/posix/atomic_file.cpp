#include "platform/posix/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <random>

namespace corvantis::posix {

namespace {

FileError Error(int number, const std::string& what) {
    return FileError{number, what.empty() ? std::string(std::strerror(number))
                                          : what + ": " + std::strerror(number)};
}

// Closes a descriptor once, at the end of its scope unless released earlier.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    // Closes now; returns 0 or the errno of close.
    int Close() {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0 ? 0 : errno;
    }

private:
    int m_fd;
};

bool WriteAll(int fd, std::string_view bytes, int& code) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            code = errno;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// The file a write to `path` must replace: the end of its chain of symbolic links (relative
// links taken from the link's own folder), whether or not that file exists; `path` itself
// when it is no link. Nothing for a chain that does not end (a loop, or too long).
std::optional<std::string> ResolveTarget(const std::string& path) {
    constexpr int kMaxLinks = 40;
    std::filesystem::path current = path;
    for (int hops = 0; hops <= kMaxLinks; ++hops) {
        std::error_code error;
        if (!std::filesystem::is_symlink(current, error)) {
            return current.string();
        }
        std::filesystem::path target = std::filesystem::read_symlink(current, error);
        if (error) {
            return current.string();
        }
        if (target.is_relative()) {
            target = current.parent_path() / target;
        }
        current = target.lexically_normal();
    }
    return std::nullopt;
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Whether the file at `target` may be replaced: it does not exist (`existing` empty), or it is
// a regular file the caller may write (`existing` holds its status). Otherwise false, with
// `error` saying why.
bool MayReplace(const std::string& target, std::optional<struct stat>& existing, FileError& error) {
    struct stat old {};
    if (::stat(target.c_str(), &old) != 0) {
        existing.reset();
        return true;
    }
    if (!S_ISREG(old.st_mode)) {
        error = Error(EISDIR, "");
        return false;
    }
    // A file its owner made read-only stays as it is, as a write through it would.
    if (::access(target.c_str(), W_OK) != 0) {
        error = Error(errno, "");
        return false;
    }
    existing = old;
    return true;
}

// Creates a new, empty file in `folder` named "." + the name of `target` + ".tmp-" + 16
// random hex digits, never one that exists already. Returns its descriptor and sets
// `temporary` to its path; -1 with `error` set when none can be created.
int CreateTemporary(const std::string& target, const std::string& folder, std::string& temporary,
                    FileError& error) {
    constexpr int kAttempts = 100;
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        char suffix[17];
        std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(random()));
        temporary = folder + "/." + BaseNameOf(target) + ".tmp-" + suffix;
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            return fd;
        }
        if (errno != EEXIST) {
            error = Error(errno, "cannot create a temporary file in " + folder);
            return -1;
        }
    }
    error = Error(EEXIST, "cannot create a temporary file in " + folder);
    return -1;
}

// Gives the temporary file the replaced file's owner (as far as allowed) and permission bits,
// then exactly `bytes`, flushed to the disk, and closes it. False with `error` set on failure;
// the file is then left for the caller to discard.
bool FillTemporary(Descriptor& file, const std::string& temporary,
                   const std::optional<struct stat>& existing, std::string_view bytes,
                   FileError& error) {
    if (existing) {
        // Best effort: an unprivileged process may not give the file away.
        if (::fchown(file.get(), existing->st_uid, existing->st_gid) != 0) {
            errno = 0;
        }
        if (::fchmod(file.get(), existing->st_mode & 07777) != 0) {
            error = Error(errno, "cannot set the permissions of " + temporary);
            return false;
        }
    }
    int code = 0;
    if (!WriteAll(file.get(), bytes, code)) {
        error = Error(code, "cannot write " + temporary);
        return false;
    }
    if (::fsync(file.get()) != 0) {
        error = Error(errno, "cannot flush " + temporary);
        return false;
    }
    if ((code = file.Close()) != 0) {
        error = Error(code, "cannot close " + temporary);
        return false;
    }
    return true;
}

// Closes the temporary file if it is still open and removes it.
void Discard(Descriptor& file, const std::string& temporary) {
    if (file.get() >= 0) {
        file.Close();
    }
    ::unlink(temporary.c_str());
}

// Makes a rename in `folder` durable. Some file systems refuse to flush a folder; what was
// renamed is in place regardless, so a failure is passed over.
void FlushFolder(const std::string& folder) {
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

}  // namespace

ReadOutcome ReadWholeFile(const std::string& path, std::string& bytes, FileError& error) {
    bytes.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) {
            return ReadOutcome::Missing;
        }
        error = Error(errno, "");
        return ReadOutcome::Failed;
    }
    Descriptor file(fd);
    char buffer[8192];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            error = Error(errno, "");
            bytes.clear();
            return ReadOutcome::Failed;
        }
        if (got == 0) {
            return ReadOutcome::Read;
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
}

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    const auto ns = [](const timespec& t) {
        return static_cast<long long>(t.tv_sec) * 1'000'000'000LL + t.tv_nsec;
    };
    return FileIdentity{static_cast<unsigned long long>(info.st_dev),
                        static_cast<unsigned long long>(info.st_ino),
                        static_cast<long long>(info.st_size), ns(info.st_mtim), ns(info.st_ctim)};
}

int RemoveStaleTemporaries(const std::string& path, std::chrono::seconds minimumAge) {
    const auto target = ResolveTarget(path);
    if (!target) {
        return 0;
    }
    const std::string prefix = "." + BaseNameOf(*target) + ".tmp-";
    constexpr std::size_t kSuffixLength = 16;
    std::error_code error;
    std::filesystem::directory_iterator entries(FolderOf(*target), error);
    if (error) {
        return 0;
    }
    const auto now = std::filesystem::file_time_type::clock::now();
    int removed = 0;
    for (const auto& entry : entries) {
        const std::string name = entry.path().filename().string();
        if (name.size() != prefix.size() + kSuffixLength || name.rfind(prefix, 0) != 0 ||
            name.find_first_not_of("0123456789abcdef", prefix.size()) != std::string::npos) {
            continue;
        }
        std::error_code entryError;
        if (!entry.is_regular_file(entryError) || entry.is_symlink(entryError)) {
            continue;
        }
        const auto changed = entry.last_write_time(entryError);
        if (entryError || now - changed < minimumAge) {
            continue;
        }
        if (std::filesystem::remove(entry.path(), entryError)) {
            ++removed;
        }
    }
    return removed;
}

bool ReplaceFileAtomically(const std::string& path, std::string_view bytes, FileError& error) {
    const auto resolved = ResolveTarget(path);
    if (!resolved) {
        error = Error(ELOOP, path);
        return false;
    }
    const std::string target = *resolved;
    const std::string folder = FolderOf(target);
    std::optional<struct stat> existing;
    if (!MayReplace(target, existing, error)) {
        return false;
    }
    std::string temporary;
    Descriptor file(CreateTemporary(target, folder, temporary, error));
    if (file.get() < 0) {
        return false;
    }
    if (!FillTemporary(file, temporary, existing, bytes, error)) {
        Discard(file, temporary);
        return false;
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        error = Error(errno, "cannot replace " + target);
        Discard(file, temporary);
        return false;
    }
    FlushFolder(folder);
    return true;
}

const PosixWholeFiles& Files() {
    static const PosixWholeFiles files;
    return files;
}

}  // namespace corvantis::posix
