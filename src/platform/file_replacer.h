// Replacing a small file whole, so that a reader never sees half of it.
#pragma once

#include <string>

namespace corvantis {

class FileReplacer {
public:
    virtual ~FileReplacer() = default;
    // Replaces the file at `path` with exactly `bytes`: a reader at any moment finds the old
    // content or the new one, never a mix. A new file takes the permissions of its folder
    // (less the execute bits), so it is no more readable than the folder is. False when it
    // cannot be done, with `error` saying why; the old file then stays as it was.
    virtual bool Replace(const std::string& path, const std::string& bytes, std::string& error) = 0;
};

}  // namespace corvantis
