#include "program/status_json.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace corvantis {

namespace {

// The length of the UTF-8 sequence starting at `i` of `s`, or 0 when none starts there.
std::size_t Utf8Length(const std::string& s, std::size_t i) {
    const auto byte = static_cast<unsigned char>(s[i]);
    const std::size_t length = byte >= 0xF0 && byte <= 0xF4   ? 4
                               : byte >= 0xE0                 ? 3
                               : byte >= 0xC2 && byte <= 0xDF ? 2
                                                              : 0;
    if (length == 0 || i + length > s.size()) {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) {
            return 0;
        }
    }
    return length;
}

void AppendUtf8(std::string& out, unsigned code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

}  // namespace

std::string JsonQuoted(const std::string& value) {
    std::string out = "\"";
    for (std::size_t i = 0; i < value.size(); ++i) {
        const auto c = static_cast<unsigned char>(value[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else if (const std::size_t n = c >= 0x80 ? Utf8Length(value, i) : 0; n > 0) {
            out += value.substr(i, n);
            i += n - 1;
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            out += escaped;
        }
    }
    return out + "\"";
}

void JsonWriter::Key(const std::string& name) {
    if (!m_first.empty()) {
        m_text += m_first.back() ? "\n" : ",\n";
        m_first.back() = false;
        m_text += std::string(2 * m_first.size(), ' ');
    }
    if (!name.empty()) {
        m_text += JsonQuoted(name) + ": ";
    }
}

void JsonWriter::BeginObject(const std::string& name) {
    Key(name);
    m_text += '{';
    m_first.push_back(true);
}

void JsonWriter::BeginArray(const std::string& name) {
    Key(name);
    m_text += '[';
    m_first.push_back(true);
}

void JsonWriter::EndObject() {
    const bool empty = m_first.back();
    m_first.pop_back();
    m_text += empty ? "}" : "\n" + std::string(2 * m_first.size(), ' ') + "}";
    if (m_first.empty()) {
        m_text += '\n';
    }
}

void JsonWriter::EndArray() {
    const bool empty = m_first.back();
    m_first.pop_back();
    m_text += empty ? "]" : "\n" + std::string(2 * m_first.size(), ' ') + "]";
}

void JsonWriter::String(const std::string& name, const std::string& value) {
    Key(name);
    m_text += JsonQuoted(value);
}

void JsonWriter::Number(const std::string& name, double value) {
    Key(name);
    char text[40];
    // Whole numbers (times, counts) exactly; others with enough digits to read back.
    if (std::isfinite(value) && value == std::floor(value) && std::fabs(value) < 1e15) {
        std::snprintf(text, sizeof text, "%.0f", value);
    } else {
        const auto [end, error] = std::to_chars(text, text + sizeof text - 1, value);
        *end = '\0';
    }
    m_text += text;
}

void JsonWriter::Bool(const std::string& name, bool value) {
    Key(name);
    m_text += value ? "true" : "false";
}

void JsonWriter::Null(const std::string& name) {
    Key(name);
    m_text += "null";
}

const JsonValue* JsonValue::Member(const std::string& name) const {
    for (const auto& [key, value] : members) {
        if (key == name) {
            return &value;
        }
    }
    return nullptr;
}

std::string JsonValue::Text(const std::string& name) const {
    const JsonValue* v = Member(name);
    return v != nullptr && v->kind == Kind::String ? v->text : std::string();
}

bool JsonValue::Flag(const std::string& name, bool fallback) const {
    const JsonValue* v = Member(name);
    return v != nullptr && v->kind == Kind::Bool ? v->flag : fallback;
}

std::optional<double> JsonValue::Real(const std::string& name) const {
    const JsonValue* v = Member(name);
    if (v == nullptr || v->kind != Kind::Number) {
        return std::nullopt;
    }
    return v->number;
}

std::optional<long long> JsonValue::Integer(const std::string& name) const {
    const std::optional<double> value = Real(name);
    if (!value || !(std::fabs(*value) < 9e15)) {
        return std::nullopt;
    }
    return static_cast<long long>(*value);
}

namespace {

// A recursive-descent reader over one text; every method returns false on the first fault.
class Reader {
public:
    explicit Reader(const std::string& text) : s(text) {}

    bool Document(JsonValue& out) {
        if (!Value(out, 0)) {
            return false;
        }
        Blanks();
        return i == s.size();
    }

private:
    static constexpr int kMaxDepth = 32;

    void Blanks() {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\n' || s[i] == '\r')) {
            ++i;
        }
    }
    bool Take(char c) {
        Blanks();
        if (i < s.size() && s[i] == c) {
            ++i;
            return true;
        }
        return false;
    }
    bool Word(const char* word) {
        const std::string w(word);
        if (s.compare(i, w.size(), w) != 0) {
            return false;
        }
        i += w.size();
        return true;
    }

    bool Value(JsonValue& out, int depth) {
        Blanks();
        if (depth > kMaxDepth || i >= s.size()) {
            return false;
        }
        switch (s[i]) {
            case '{':
                out.kind = JsonValue::Kind::Object;
                return Object(out, depth);
            case '[':
                out.kind = JsonValue::Kind::Array;
                return Array(out, depth);
            case '"':
                out.kind = JsonValue::Kind::String;
                return String(out.text);
            case 't':
                out.kind = JsonValue::Kind::Bool;
                out.flag = true;
                return Word("true");
            case 'f':
                out.kind = JsonValue::Kind::Bool;
                return Word("false");
            case 'n':
                return Word("null");
            default:
                out.kind = JsonValue::Kind::Number;
                return Number(out.number);
        }
    }

    bool Object(JsonValue& out, int depth) {
        ++i;
        if (Take('}')) {
            return true;
        }
        do {
            std::string key;
            JsonValue value;
            Blanks();
            if (!String(key) || !Take(':') || !Value(value, depth + 1)) {
                return false;
            }
            out.members.emplace_back(std::move(key), std::move(value));
        } while (Take(','));
        return Take('}');
    }

    bool Array(JsonValue& out, int depth) {
        ++i;
        if (Take(']')) {
            return true;
        }
        do {
            JsonValue value;
            if (!Value(value, depth + 1)) {
                return false;
            }
            out.items.push_back(std::move(value));
        } while (Take(','));
        return Take(']');
    }

    bool Number(double& out) {
        const std::size_t start = i;
        while (i < s.size() &&
               std::string_view("+-0123456789.eE").find(s[i]) != std::string::npos) {
            ++i;
        }
        if (start == i) {
            return false;
        }
        // from_chars, unlike strtod, ignores the locale's decimal mark.
        const char* first = s.data() + start;
        if (*first == '+') {
            return false;
        }
        const auto [end, error] = std::from_chars(first, s.data() + i, out);
        return error == std::errc{} && end == s.data() + i;
    }

    bool Hex4(unsigned& code) {
        if (i + 4 > s.size()) {
            return false;
        }
        const auto [end, error] = std::from_chars(s.data() + i, s.data() + i + 4, code, 16);
        i += 4;
        return error == std::errc{} && end == s.data() + i;
    }

    bool Escape(std::string& out) {
        const char c = s[i++];
        const std::string_view from = "\"\\/bfnrt", to = "\"\\/\b\f\n\r\t";
        if (const auto at = from.find(c); at != std::string_view::npos) {
            out += to[at];
            return true;
        }
        unsigned code = 0;
        if (c != 'u' || !Hex4(code)) {
            return false;
        }
        if (code >= 0xD800 && code < 0xDC00 && Word("\\u")) {
            unsigned low = 0;
            if (!Hex4(low) || low < 0xDC00 || low > 0xDFFF) {
                return false;
            }
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        }
        AppendUtf8(out, code);
        return true;
    }

    bool String(std::string& out) {
        if (i >= s.size() || s[i] != '"') {
            return false;
        }
        ++i;
        while (i < s.size() && s[i] != '"') {
            if (static_cast<unsigned char>(s[i]) < 0x20) {
                return false;
            }
            if (s[i] != '\\') {
                out += s[i++];
            } else if (++i >= s.size() || !Escape(out)) {
                return false;
            }
        }
        return i++ < s.size();
    }

    const std::string& s;
    std::size_t i = 0;
};

}  // namespace

std::optional<JsonValue> ParseJson(const std::string& text) {
    JsonValue value;
    if (!Reader(text).Document(value)) {
        return std::nullopt;
    }
    return value;
}

}  // namespace corvantis
