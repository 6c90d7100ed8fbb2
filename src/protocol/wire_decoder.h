// Reads the clock messages back from the bytes on the serial line.
//
// The line carries the four messages of the wire format one after another with nothing
// between them: the time-only message, the rules message and the addressed command (35
// characters, "*" to "#", kind digit at character 25) and the local time message (the 15
// characters of a time block alone). The decoder frames them by their "*", decodes every
// field and checks it; it trusts nothing it reads. Bytes that belong to no message are
// reported as skipped, and it starts again at the next "*". A "*" within 35 characters of the
// last one always starts a new message: an address text holding "*" (which the builders copy
// as it stands) costs that addressed command.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/date_time.h"
#include "protocol/display_rules.h"

namespace corvantis {

enum class MessageKind { TimeOnly, Rules, AddressedCommand, LocalTime };

// Plain words for a kind: "time-only message", "rules message", ...
const char* KindName(MessageKind kind);

struct DecodedMessage {
    MessageKind kind = MessageKind::TimeOnly;
    std::string text;  // the message's bytes as received

    // Time-only, rules and local time message: the time block. A field that is not a number
    // reads as 0; a value out of range stays as read and is named in `problems`.
    DateTime time;

    // Rules message and addressed command. Decoded as far as the fields allow; a field out of
    // its range stays as read and is named in `problems`.
    DisplayRules rules;

    // Addressed command: the current and new address (0-99, 0 = every clock; -1 when the
    // field holds no number) and the set-address flag (0 or 1).
    int currentAddress = -1;
    int newAddress = -1;
    int setAddressFlag = 0;

    // One plain sentence for each field that is not what a sound message carries. A clock
    // acts only on a message without problems.
    std::vector<std::string> problems;

    bool Sound() const { return problems.empty(); }
};

// Bytes that were not part of any message, with the reason.
struct SkippedBytes {
    std::string bytes;
    std::string reason;
};

// What one step of decoding produced: a message or a run of skipped bytes.
struct DecodeEvent {
    std::optional<DecodedMessage> message;
    std::optional<SkippedBytes> skipped;
};

// Decodes one whole message text (35 or 15 characters starting with "*"); nullopt when the
// text is not framed as a message (wrong length, no "*", no "#", unknown kind digit).
std::optional<DecodedMessage> DecodeMessage(std::string_view text);

// Frames a stream of bytes into messages. Feed it bytes as they arrive, in pieces of any size;
// it holds back an unfinished message until the rest comes.
class WireDecoder {
public:
    // Decodes what `bytes` completes and returns the events in line order.
    std::vector<DecodeEvent> Feed(std::string_view bytes);

    // The line went quiet: a waiting 15-character time block is a local time message, and
    // anything else held back is reported as skipped (a message cut off).
    std::vector<DecodeEvent> Flush();

    // Bytes held back, waiting for the rest of a message.
    std::size_t Pending() const { return m_buffer.size(); }

private:
    void Drain(std::vector<DecodeEvent>& events);
    void Skip(std::size_t count, std::string reason, std::vector<DecodeEvent>& events);

    std::string m_buffer;
};

}  // namespace corvantis
