#include "program/status_metrics.h"

#include <charconv>
#include <string_view>

#include "program/status_record.h"

namespace corvantis {

std::string FixedText(double value, int digits) {
    char text[64];
    const auto [end, error] =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, digits);
    return error == std::errc{} ? std::string(text, end) : std::string("0");
}

namespace {

// A label value: backslash, quote and line feed escaped as the format asks.
std::string LabelValue(std::string_view value) {
    std::string out;
    for (const char c : value) {
        if (c == '\\' || c == '"') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else {
            out += c;
        }
    }
    return out;
}

class Exposition {
public:
    // Starts the family `name` with its help text and type.
    void Family(const std::string& name, const std::string& type, const std::string& help) {
        m_text += "# HELP " + name + " " + help + "\n# TYPE " + name + " " + type + "\n";
    }
    void Sample(const std::string& name, const std::string& labels, const std::string& value) {
        m_text += name + (labels.empty() ? "" : "{" + labels + "}") + " " + value + "\n";
    }
    void One(const std::string& name, const std::string& type, const std::string& help,
             const std::string& value) {
        Family(name, type, help);
        Sample(name, {}, value);
    }
    std::string Text() const { return m_text; }

private:
    std::string m_text;
};

std::string Whole(std::uint64_t value) {
    return std::to_string(value);
}

std::string Flag(bool value) {
    return value ? "1" : "0";
}

void Identity(Exposition& out, const StatusRecord& r) {
    out.Family("corvantis_info", "gauge",
               "The program that writes this file: its version, kind and serial port (always 1).");
    out.Sample("corvantis_info",
               "version=\"" + LabelValue(r.version) + "\",program=\"" + LabelValue(r.program) +
                   "\",port=\"" + LabelValue(r.port) + "\"",
               "1");
    out.One("corvantis_start_time_seconds", "gauge",
            "When the program started, in seconds since the epoch.", std::to_string(r.startedAt));
    out.One("corvantis_status_time_seconds", "gauge",
            "When the program last wrote its status, in seconds since the epoch.",
            std::to_string(r.writtenAt));
    out.One("corvantis_running", "gauge",
            "1 while the program runs, 0 in the status it writes as it ends.", Flag(r.running));
}

void Sending(Exposition& out, const StatusRecord& r) {
    out.One("corvantis_sending", "gauge",
            "1 while clock messages go out as the chosen rate asks, 0 when they do not.",
            Flag(r.sending && r.running));
    out.One("corvantis_port_open", "gauge", "1 while the serial port to the clocks is open.",
            Flag(r.portState == "open"));
    if (r.lastSentAt) {
        out.One("corvantis_last_message_time_seconds", "gauge",
                "When the last clock message went out, in seconds since the epoch.",
                std::to_string(*r.lastSentAt));
    }
    if (r.lastReplyAt) {
        out.One("corvantis_last_reply_time_seconds", "gauge",
                "When the clocks' last reply arrived, in seconds since the epoch.",
                std::to_string(*r.lastReplyAt));
    }
    out.One("corvantis_messages_sent_total", "counter",
            "Clock messages written to the serial port since the program started.", Whole(r.sent));
    out.One("corvantis_messages_dropped_total", "counter",
            "Clock messages dropped because the port could not take them.", Whole(r.dropped));
    out.One("corvantis_port_reconnects_total", "counter",
            "Times the serial port came back by itself after it went away.", Whole(r.reconnects));
}

void Concerns(Exposition& out, const StatusRecord& r) {
    out.One("corvantis_warnings", "gauge", "Standing warnings.", Whole(r.warnings.size()));
    if (!r.warnings.empty()) {
        out.Family("corvantis_warning", "gauge", "1 for each standing warning, by its key.");
        for (const StatusWarning& w : r.warnings) {
            out.Sample("corvantis_warning", "key=\"" + LabelValue(w.key) + "\"", "1");
        }
    }
    out.One("corvantis_display_rules_match", "gauge",
            "1 when the display rules agree with this PC's time zone for the coming years.",
            Flag(r.rules == "agree"));
    if (r.clockSync != "unknown" && !r.clockSync.empty()) {
        out.One("corvantis_pc_clock_synchronised", "gauge",
                "1 while this PC's clock is synchronised to a time source.",
                Flag(r.clockSync == "synchronised"));
    }
    if (r.clockErrorSeconds) {
        out.One("corvantis_pc_clock_estimated_error_seconds", "gauge",
                "The error of this PC's clock as its time service estimates it.",
                FixedText(*r.clockErrorSeconds, 6));
    }
}

}  // namespace

std::string PrometheusText(const StatusRecord& record) {
    Exposition out;
    Identity(out, record);
    Sending(out, record);
    Concerns(out, record);
    return out.Text();
}

}  // namespace corvantis
