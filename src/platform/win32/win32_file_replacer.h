// Whole-file replacement on Windows for files rewritten often (the program's status): a
// temporary file in the same folder moved over the old one in one step. Nothing is flushed to
// the disk, as on POSIX: a record lost to a power cut is written again a second after the
// program restarts, and the loop never waits on the disk.
#pragma once

#include "platform/file_replacer.h"

namespace corvantis {

// Paths are in the system's 8-bit code page, as the settings folder is. The new file inherits
// its folder's permissions (its access list), as every file made there does.
class Win32FileReplacer : public FileReplacer {
public:
    bool Replace(const std::string& path, const std::string& bytes, std::string& error) override;
};

}  // namespace corvantis
