#include "platform/posix/journal_stream.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>

namespace corvantis::posix {

bool GoesToJournal(int fd) {
    const char* stream = std::getenv("JOURNAL_STREAM");
    unsigned long long device = 0, inode = 0;
    if (stream == nullptr || std::sscanf(stream, "%llu:%llu", &device, &inode) != 2) {
        return false;
    }
    struct stat file {};
    return ::fstat(fd, &file) == 0 && static_cast<unsigned long long>(file.st_dev) == device &&
           static_cast<unsigned long long>(file.st_ino) == inode;
}

}  // namespace corvantis::posix
