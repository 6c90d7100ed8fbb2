// Whole-file replacement on POSIX for files that are rewritten often and may be lost in a
// power cut (the status the program keeps of itself): a temporary file renamed over the old.
#pragma once

#include "platform/file_replacer.h"

namespace corvantis::posix {

// A reader always finds the old content or the new, never a mix. Nothing is flushed to the
// disk (no fsync): the file is rewritten every few seconds, and a record lost to a power cut
// is written again a second after the program restarts, so the disk (an SD card on a small
// board) is spared and the program does not block on it. A file it creates gets its folder's
// read and write bits (a folder 0700 gives 0600, one 0755 gives 0644), whatever the umask; a
// file that exists keeps its own.
class PosixFileReplacer : public FileReplacer {
public:
    bool Replace(const std::string& path, const std::string& bytes, std::string& error) override;
};

}  // namespace corvantis::posix
