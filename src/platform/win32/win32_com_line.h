// A COM port as a byte line, at 9600 baud, 8N1, no flow control.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "platform/byte_line.h"

namespace corvantis {

class Win32ComLine : public ByteLine {
public:
    // Opens `port` ("COM5", or a device path such as "\\.\COM12"). Raises Failure (the Win32
    // error and a description naming the port) when it cannot.
    explicit Win32ComLine(const std::string& port);
    ~Win32ComLine() override;
    Win32ComLine(const Win32ComLine&) = delete;
    Win32ComLine& operator=(const Win32ComLine&) = delete;

    std::string Read(std::chrono::milliseconds wait) override;
    void Write(std::string_view bytes) override;

private:
    void* m_handle;
    std::string m_name;
};

}  // namespace corvantis
