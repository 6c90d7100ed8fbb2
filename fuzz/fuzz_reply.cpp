// The reply path: bytes arriving on the port, read by showinput, shown in clockReply.
//
// Checks that whatever arrives, clockReply holds only printable ASCII, and that undoing its "\xHH"
// escapes gives back exactly the first 36 bytes that arrived (or all of them when fewer), so
// no byte from the line can pass for another.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "form/window.h"
#include "serial/clock_feedback.h"
#include "support/fakes.h"

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// `shown` with each "\xHH" turned back into its byte; aborts on any other backslash.
std::string Unescape(const std::string& shown) {
    std::string raw;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const char c = shown[i];
        if (c < 0x20 || c >= 0x7F) {
            std::abort();  // not printable ASCII
        }
        if (c != '\\') {
            raw += c;
            continue;
        }
        if (i + 3 >= shown.size() || shown[i + 1] != 'x' || HexDigit(shown[i + 2]) < 0 ||
            HexDigit(shown[i + 3]) < 0) {
            std::abort();
        }
        raw += static_cast<char>(HexDigit(shown[i + 2]) * 16 + HexDigit(shown[i + 3]));
        i += 3;
    }
    return raw;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace corvantis;
    static testing::FakePlatform* platform = new testing::FakePlatform();
    Window window;
    platform->port.SetPortOpen(false);
    platform->port.SetPortOpen(true);
    platform->port.received.assign(reinterpret_cast<const char*>(data), size);
    showinput(window, platform->port);
    if (size > 0 && !window.replyWait.Enabled()) {
        std::abort();  // characters waiting start the reply wait
    }
    OnReplyWaitEnd(window, platform->port);

    const std::string& shown = window.clockReply.Text();
    const std::string expected(reinterpret_cast<const char*>(data),
                               size < kShownReplyLength ? size : kShownReplyLength);
    if (Unescape(shown) != expected) {
        std::abort();
    }
    if (!platform->port.received.empty()) {
        std::abort();  // everything beyond the shown reply is discarded
    }
    return 0;
}
