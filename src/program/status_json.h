// Just enough JSON for the status record: a writer of one object a member a line, and a reader
// of any JSON text into a small tree.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace corvantis {

// Writes members in the order given. Strings are escaped so that any bytes make valid JSON:
// quotes, backslashes and control characters always, bytes that are not UTF-8 as \u00XX.
class JsonWriter {
public:
    void BeginObject(const std::string& name = {});
    void EndObject();
    void BeginArray(const std::string& name);
    void EndArray();
    void String(const std::string& name, const std::string& value);
    void Number(const std::string& name, double value);
    void Bool(const std::string& name, bool value);
    void Null(const std::string& name);
    // The text written so far, ending in a newline once the outer object is closed.
    const std::string& Text() const { return m_text; }

private:
    void Key(const std::string& name);

    std::string m_text;
    std::vector<bool> m_first;  // per open object or array: no member written yet
};

// The JSON text of `value` as a quoted string.
std::string JsonQuoted(const std::string& value);

struct JsonValue {
    enum class Kind { Null, Bool, Number, String, Array, Object };
    Kind kind = Kind::Null;
    bool flag = false;
    double number = 0;
    std::string text;
    std::vector<JsonValue> items;
    std::vector<std::pair<std::string, JsonValue>> members;

    // The member `name` of an object, or nothing.
    const JsonValue* Member(const std::string& name) const;
    bool Has(const std::string& name) const { return Member(name) != nullptr; }
    // A member's value when it has that kind; otherwise empty text, the fallback, nothing.
    std::string Text(const std::string& name) const;
    bool Flag(const std::string& name, bool fallback) const;
    std::optional<double> Real(const std::string& name) const;
    std::optional<long long> Integer(const std::string& name) const;
};

// The value `text` holds (surrounding blanks allowed), or nothing when it is not JSON or
// nests deeper than 32 levels.
std::optional<JsonValue> ParseJson(const std::string& text);

}  // namespace corvantis
