// Whole-file replacement on Windows: a temporary file in the same folder, flushed, then moved
// over the old one in one step.
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
