// A temporary folder for one test, removed with everything in it when the test ends.
#pragma once

#include <string>

namespace corvantis::testing {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_path; }
    // Path() joined with `name` by the platform's separator.
    std::string File(const std::string& name) const;

private:
    std::string m_path;
};

// The whole content of a file as bytes; empty when it cannot be read.
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

}  // namespace corvantis::testing
