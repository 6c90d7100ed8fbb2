#include "platform/posix/posix_file_replacer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace corvantis::posix {

namespace {

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

bool Fail(std::string& error, const std::string& what, int number) {
    error = what + ": " + std::strerror(number);
    return false;
}

// The permission bits the file at `path` is to have: its own when it exists, otherwise its
// folder's read and write bits.
bool ModeFor(const std::string& path, mode_t& mode, std::string& error) {
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0) {
        mode = existing.st_mode & 07777;
        return true;
    }
    const std::string folder = FolderOf(path);
    if (errno != ENOENT || ::stat(folder.c_str(), &existing) != 0) {
        return Fail(error, "cannot write " + path, errno);
    }
    mode = existing.st_mode & 0666;
    return true;
}

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        if (wrote <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

}  // namespace

bool PosixFileReplacer::Replace(const std::string& path, const std::string& bytes,
                                std::string& error) {
    mode_t mode = 0;
    if (!ModeFor(path, mode, error)) {
        return false;
    }
    const std::string slash = path.find('/') == std::string::npos ? "./" : "";
    const auto cut = path.find_last_of('/') + 1;
    const std::string temporary =
        slash + path.substr(0, cut) + "." + path.substr(cut) + ".tmp-" + std::to_string(::getpid());
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        return Fail(error, "cannot create " + temporary, errno);
    }
    const bool written = ::fchmod(fd, mode) == 0 && WriteAll(fd, bytes);
    const int number = errno;
    if (::close(fd) != 0 || !written) {
        ::unlink(temporary.c_str());
        return Fail(error, "cannot write " + temporary, written ? errno : number);
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const int renameError = errno;
        ::unlink(temporary.c_str());
        return Fail(error, "cannot replace " + path, renameError);
    }
    return true;
}

}  // namespace corvantis::posix
