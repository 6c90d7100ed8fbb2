#include "platform/posix/posix_file_replacer.h"

#include <sys/stat.h>

#include <cerrno>

#include "platform/posix/atomic_file.h"

namespace corvantis::posix {

namespace {
std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}
}  // namespace

bool PosixFileReplacer::Replace(const std::string& path, const std::string& bytes,
                                std::string& error) {
    struct stat existing {};
    const bool isNew = ::stat(path.c_str(), &existing) != 0 && errno == ENOENT;
    FileError failure;
    if (!ReplaceFileAtomically(path, bytes, failure)) {
        error = failure.text;
        return false;
    }
    struct stat folder {};
    if (isNew && ::stat(FolderOf(path).c_str(), &folder) == 0) {
        // The new file was made with the umask's bits, never more open than these.
        ::chmod(path.c_str(), folder.st_mode & 0666);
    }
    return true;
}

}  // namespace corvantis::posix
