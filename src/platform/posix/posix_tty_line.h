// A serial device or pseudo-terminal as a byte line, in raw mode at 9600 baud, 8N1.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "platform/byte_line.h"

namespace corvantis::posix {

class TtyLine : public ByteLine {
public:
    // Opens `device` (a serial device, or the far end of a pseudo-terminal) in raw mode.
    // Raises Failure (errno and a description naming the device) when it cannot.
    explicit TtyLine(const std::string& device);

    // A new pseudo-terminal pair: this line is its master end; the program to test opens
    // SlavePath() as its serial port. Raises Failure when no pair can be made.
    static TtyLine NewPseudoTerminal();

    TtyLine(TtyLine&& other) noexcept;
    TtyLine& operator=(TtyLine&&) = delete;
    ~TtyLine() override;

    // The device a program opens to talk to this line: the slave's path for a pseudo-terminal,
    // the device itself otherwise.
    const std::string& SlavePath() const { return m_slavePath; }

    std::string Read(std::chrono::milliseconds wait) override;
    void Write(std::string_view bytes) override;

private:
    TtyLine() = default;

    int m_fd = -1;
    int m_slaveFd = -1;  // kept open so the pair outlives the other program's closing
    std::string m_slavePath;
};

}  // namespace corvantis::posix
