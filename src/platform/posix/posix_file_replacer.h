// Whole-file replacement on POSIX, through ReplaceFileAtomically.
#pragma once

#include "platform/file_replacer.h"

namespace corvantis::posix {

// A file it creates gets its folder's read and write bits (a folder 0700 gives 0600, one 0755
// gives 0644), whatever the umask; a file that exists keeps its own.
class PosixFileReplacer : public FileReplacer {
public:
    bool Replace(const std::string& path, const std::string& bytes, std::string& error) override;
};

}  // namespace corvantis::posix
