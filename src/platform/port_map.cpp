#include "platform/port_map.h"

#include <charconv>

#include "platform/ascii_text.h"

namespace corvantis {
namespace {

// Index into the table for "COM"n, or -1.
int IndexOf(int n) {
    return n >= kFirstComPort && n <= kLastComPort ? n - kFirstComPort : -1;
}

// `text` without blanks, tabs and line ends at either end (a value pasted with its line end).
std::string_view TrimSpace(std::string_view text) {
    constexpr std::string_view kSpace = " \t\r\n";
    const auto first = text.find_first_not_of(kSpace);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

}  // namespace

std::string ComName(int n) {
    return "COM" + std::to_string(n);
}

std::optional<PortOverride> ParsePortOverride(std::string_view key, std::string_view value) {
    key = TrimSpace(key);
    constexpr std::string_view kPrefix = "COM";
    if (key.size() <= kPrefix.size()) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < kPrefix.size(); ++i) {
        if (UpperAscii(key[i]) != kPrefix[i]) {
            return std::nullopt;
        }
    }
    const std::string_view digits = key.substr(kPrefix.size());
    if (digits.front() == '0') {
        return std::nullopt;
    }
    int number = 0;
    const auto [end, status] =
        std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (status != std::errc() || end != digits.data() + digits.size() || IndexOf(number) < 0) {
        return std::nullopt;
    }
    return PortOverride{number, std::string(TrimSpace(value))};
}

PortMap PortMap::LinuxDefaults() {
    Table table;
    for (int i = 0; i < 4; ++i) {
        table[i] = "/dev/ttyS" + std::to_string(i);
    }
    for (int i = 0; i < 8; ++i) {
        table[4 + i] = "/dev/ttyUSB" + std::to_string(i);
    }
    for (int i = 0; i < 4; ++i) {
        table[12 + i] = "/dev/ttyACM" + std::to_string(i);
    }
    return PortMap(std::move(table));
}

PortMap PortMap::WindowsDefaults() {
    Table table;
    for (int n = kFirstComPort; n <= kLastComPort; ++n) {
        table[IndexOf(n)] = "\\\\.\\" + ComName(n);
    }
    return PortMap(std::move(table));
}

std::optional<std::string> PortMap::Device(int n) const {
    const int index = IndexOf(n);
    if (index < 0) {
        return std::nullopt;
    }
    return m_devices[index];
}

bool PortMap::SetOverride(int n, std::string device) {
    const int index = IndexOf(n);
    if (index < 0) {
        return false;
    }
    m_devices[index] = device.empty() ? m_defaults[index] : std::move(device);
    return true;
}

bool PortMap::ApplySetting(std::string_view key, std::string_view value) {
    auto entry = ParsePortOverride(key, value);
    return entry && SetOverride(entry->number, std::move(entry->device));
}

}  // namespace corvantis
