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

    struct stat old {};
    const bool existed = ::stat(target.c_str(), &old) == 0;
    if (existed && !S_ISREG(old.st_mode)) {
        error = Error(EISDIR, "");
        return false;
    }
    // A file its owner made read-only stays as it is, as a write through it would.
    if (existed && ::access(target.c_str(), W_OK) != 0) {
        error = Error(errno, "");
        return false;
    }

    std::random_device seed;
    std::mt19937_64 random(seed());
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        char suffix[17];
        std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(random()));
        temporary = folder + "/." + BaseNameOf(target) + ".tmp-" + suffix;
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            error = Error(errno, "cannot create a temporary file in " + folder);
            return false;
        }
    }
    if (fd < 0) {
        error = Error(EEXIST, "cannot create a temporary file in " + folder);
        return false;
    }
    Descriptor file(fd);
    auto fail = [&](const std::string& what, int code) {
        if (file.get() >= 0) {
            file.Close();
        }
        ::unlink(temporary.c_str());
        error = Error(code, what);
        return false;
    };

    if (existed) {
        // Best effort: an unprivileged process may not give the file away.
        if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
            errno = 0;
        }
        if (::fchmod(fd, old.st_mode & 07777) != 0) {
            return fail("cannot set the permissions of " + temporary, errno);
        }
    }
    int code = 0;
    if (!WriteAll(fd, bytes, code)) {
        return fail("cannot write " + temporary, code);
    }
    if (::fsync(fd) != 0) {
        return fail("cannot flush " + temporary, errno);
    }
    if ((code = file.Close()) != 0) {
        return fail("cannot close " + temporary, code);
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        return fail("cannot replace " + target, errno);
    }
    // The rename is durable only once the folder is flushed. Some file systems refuse to
    // flush a folder; the new content is in place regardless.
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

}  // namespace corvantis::posix
