#include "wire_timing.h"

#include <time.h>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "protocol/messages.h"

namespace corvantis::bench {

namespace {

constexpr std::chrono::nanoseconds kSecond = std::chrono::seconds(1);

// A right-aligned numeric field of the time block; nothing when it is not a number.
std::optional<int> FieldValue(std::string_view message, std::size_t at, std::size_t width) {
    std::string_view field = message.substr(at, width);
    while (!field.empty() && field.front() == ' ') {
        field.remove_prefix(1);
    }
    int value = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (field.empty() || error != std::errc{} || end != field.data() + field.size()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::chrono::nanoseconds RealtimeNow() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

void SleepUntilRealtime(std::chrono::nanoseconds when) {
    timespec at{};
    at.tv_sec = static_cast<time_t>(when / kSecond);
    at.tv_nsec = static_cast<long>((when % kSecond).count());
    while (::clock_nanosleep(CLOCK_REALTIME, TIMER_ABSTIME, &at, nullptr) == EINTR) {
    }
}

std::optional<std::chrono::seconds> CarriedSecond(std::string_view message) {
    // Kind 1 (time-only) and kind 2 (rules) carry the time; kind 3 carries addresses.
    constexpr std::size_t kKindAt = 24;
    if (message.size() != kMessageLength || message.front() != '*' ||
        (message[kKindAt] != '1' && message[kKindAt] != '2')) {
        return std::nullopt;
    }
    const auto second = FieldValue(message, 1, 2);
    const auto minute = FieldValue(message, 3, 2);
    const auto hour = FieldValue(message, 5, 2);
    const auto day = FieldValue(message, 7, 2);
    const auto month = FieldValue(message, 9, 2);
    const auto year = FieldValue(message, 11, 4);
    if (!second || !minute || !hour || !day || !month || !year) {
        return std::nullopt;
    }
    tm fields{};
    fields.tm_sec = *second;
    fields.tm_min = *minute;
    fields.tm_hour = *hour;
    fields.tm_mday = *day;
    fields.tm_mon = *month - 1;
    fields.tm_year = *year - 1900;
    return std::chrono::seconds(::timegm(&fields));
}

void WireRecorder::Feed(std::string_view bytes, std::chrono::nanoseconds readAt) {
    for (const char byte : bytes) {
        if (m_partial.empty()) {
            if (byte != '*') {
                continue;
            }
            m_partialStart = readAt;
        }
        m_partial += byte;
        if (m_partial.size() == kMessageLength) {
            m_arrivals.push_back({m_partialStart, std::move(m_partial)});
            m_partial.clear();
        }
    }
}

std::vector<double> DelaysAfterCarriedSecond(const std::vector<Arrival>& arrivals,
                                             std::chrono::nanoseconds from) {
    std::vector<double> delays;
    for (const Arrival& arrival : arrivals) {
        const auto second = CarriedSecond(arrival.message);
        if (second && *second >= from) {
            delays.push_back(Millis(arrival.firstByte - *second));
        }
    }
    return delays;
}

Summary Summarize(std::vector<double> figures) {
    Summary summary;
    summary.count = figures.size();
    if (figures.empty()) {
        return summary;
    }
    std::sort(figures.begin(), figures.end());
    const auto rank = [&](double fraction) {
        const auto n = static_cast<std::size_t>(std::ceil(fraction * figures.size()));
        return figures[std::clamp<std::size_t>(n, 1, figures.size()) - 1];
    };
    summary.p50 = rank(0.50);
    summary.p99 = rank(0.99);
    summary.max = figures.back();
    return summary;
}

double Millis(std::chrono::nanoseconds span) {
    return std::chrono::duration<double, std::milli>(span).count();
}

ScratchFolder::ScratchFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern =
        std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/corvantis-bench-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a folder from " + pattern);
    }
    m_path = pattern;
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

void ScratchFolder::Write(const std::string& name, const std::string& bytes) const {
    std::ofstream file(m_path + "/" + name, std::ios::binary);
    file << bytes;
    if (!file) {
        throw std::runtime_error("cannot write " + m_path + "/" + name);
    }
}

}  // namespace corvantis::bench
