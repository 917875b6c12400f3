// A small JSON reader for the tests, written independently of the tool's
// writer so that it can serve as its oracle. A \udcXX escape (a lone low
// surrogate from 0xdc80 to 0xdcff) reads back as the byte XX.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct JsonValue {
    enum class Type { Null, Bool, Number, String, Array, Object };
    Type type = Type::Null;
    bool boolean = false;
    double number = 0;
    std::string string;
    std::vector<JsonValue> array;
    std::vector<std::pair<std::string, JsonValue>> members; // in order

    // The member `name`; throws when there is none.
    const JsonValue& operator[](const std::string& name) const;
    std::vector<std::string> MemberNames() const;
    std::vector<std::string> Strings() const; // an array of strings
};

// Parses one value filling the whole text (blanks around it allowed).
std::optional<JsonValue> ParseJson(std::string_view text);
