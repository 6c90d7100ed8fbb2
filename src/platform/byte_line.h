// A serial line seen as a stream of bytes, for programs that play a device on it.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace corvantis {

class ByteLine {
public:
    virtual ~ByteLine() = default;

    // Waits up to `wait` for bytes and returns those that arrived (empty when none did).
    // Raises Failure when the line is gone.
    virtual std::string Read(std::chrono::milliseconds wait) = 0;

    // Sends `bytes` as they are. Raises Failure when the line is gone.
    virtual void Write(std::string_view bytes) = 0;
};

}  // namespace corvantis
