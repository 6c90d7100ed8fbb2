// A non-modal warning line: problems the operator should know of without being interrupted.
#pragma once

#include <string>

namespace corvantis {

class StatusLine {
public:
    virtual ~StatusLine() = default;
    // Shows `text` in the window's warning line (headless: prints it). Replaces the last one.
    virtual void ShowWarning(const std::string& text) = 0;
};

}  // namespace corvantis
