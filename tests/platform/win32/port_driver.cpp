// port_driver: the Win32 COM port, driven line by line from standard input, for tests that
// hold the far end of the line on the Linux side (tests/windows_e2e). One command a line,
// one answer line each:
//   port N        SetCommPort(N)              open          SetPortOpen(true)
//   close         SetPortOpen(false)          settings TEXT SetSettings(TEXT)
//   output TEXT   Output(TEXT) ("\n" ends it; "\xHH" is a byte)
//   count         InBufferCount()             discard       SetInBufferCount(0)
//   inputlen N    SetInputLen(N)              input         Input()
//   state         PortOpen() and DroppedWrites()
// Answers: "ok", "value <text>" (control bytes as \xHH), or "failure <number> <description>".
// Each call of the open listener prints "listener open" or "listener closed" first.
#include <cstdio>
#include <iostream>
#include <string>

#include "platform/failure.h"
#include "platform/win32/win32_serial_port.h"

namespace corvantis {
namespace {

std::string Escaped(const std::string& text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string shown;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7F || c == '\\') {
            shown += "\\x";
            shown += kHex[byte >> 4];
            shown += kHex[byte & 0x0F];
        } else {
            shown += c;
        }
    }
    return shown;
}

std::string Unescaped(const std::string& text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x') {
            bytes += static_cast<char>(std::stoi(text.substr(i + 2, 2), nullptr, 16));
            i += 3;
        } else {
            bytes += text[i];
        }
    }
    return bytes;
}

int Run() {
    PortMap ports = PortMap::WindowsDefaults();
    Win32SerialPort port(ports);
    port.AddOpenListener(
        [](bool open) { std::cout << "listener " << (open ? "open" : "closed") << "\n"; });
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const auto blank = line.find(' ');
        const std::string command = line.substr(0, blank);
        const std::string argument = blank == std::string::npos ? "" : line.substr(blank + 1);
        try {
            std::string value;
            bool hasValue = false;
            if (command == "port") {
                port.SetCommPort(static_cast<std::int16_t>(std::stoi(argument)));
            } else if (command == "open") {
                port.SetPortOpen(true);
            } else if (command == "close") {
                port.SetPortOpen(false);
            } else if (command == "settings") {
                port.SetSettings(argument);
            } else if (command == "output") {
                port.Output(Unescaped(argument));
            } else if (command == "count") {
                value = std::to_string(port.InBufferCount());
                hasValue = true;
            } else if (command == "discard") {
                port.SetInBufferCount(0);
            } else if (command == "inputlen") {
                port.SetInputLen(static_cast<std::int16_t>(std::stoi(argument)));
            } else if (command == "input") {
                value = Escaped(port.Input());
                hasValue = true;
            } else if (command == "state") {
                value = std::string(port.PortOpen() ? "open" : "closed") + " dropped " +
                        std::to_string(port.DroppedWrites());
                hasValue = true;
            } else {
                std::cout << "failure 0 unknown command " << Escaped(command) << std::endl;
                continue;
            }
            std::cout << (hasValue ? "value " + value : std::string("ok")) << std::endl;
        } catch (const Failure& failure) {
            std::cout << "failure " << failure.number() << " " << failure.description()
                      << std::endl;
        }
    }
    return 0;
}

}  // namespace
}  // namespace corvantis

int main() {
    return corvantis::Run();
}
