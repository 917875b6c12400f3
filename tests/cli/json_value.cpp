#include "json_value.h"

#include <cstdlib>
#include <stdexcept>

namespace {

class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    bool Document(JsonValue& value) { return Value(value) && (Blanks(), at_ == text_.size()); }

private:
    void Blanks() {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\n' ||
                                      text_[at_] == '\r' || text_[at_] == '\t')) {
            ++at_;
        }
    }
    bool Take(char c) {
        Blanks();
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    bool Word(std::string_view word) {
        if (text_.substr(at_, word.size()) == word) {
            at_ += word.size();
            return true;
        }
        return false;
    }

    bool Value(JsonValue& value) {
        Blanks();
        if (at_ >= text_.size()) {
            return false;
        }
        char c = text_[at_];
        if (c == '{') {
            value.type = JsonValue::Type::Object;
            ++at_;
            if (Take('}')) {
                return true;
            }
            do {
                std::string name;
                JsonValue member;
                Blanks();
                if (!String(name) || !Take(':') || !Value(member)) {
                    return false;
                }
                value.members.emplace_back(std::move(name), std::move(member));
            } while (Take(','));
            return Take('}');
        }
        if (c == '[') {
            value.type = JsonValue::Type::Array;
            ++at_;
            if (Take(']')) {
                return true;
            }
            do {
                JsonValue item;
                if (!Value(item)) {
                    return false;
                }
                value.array.push_back(std::move(item));
            } while (Take(','));
            return Take(']');
        }
        if (c == '"') {
            value.type = JsonValue::Type::String;
            return String(value.string);
        }
        if (Word("true") || Word("false")) {
            value.type = JsonValue::Type::Bool;
            value.boolean = text_[at_ - 1] == 'e' && text_[at_ - 2] == 'u';
            return true;
        }
        if (Word("null")) {
            return true;
        }
        std::size_t start = at_;
        while (at_ < text_.size() &&
               std::string_view("+-0123456789.eE").find(text_[at_]) != std::string_view::npos) {
            ++at_;
        }
        if (start == at_) {
            return false;
        }
        value.type = JsonValue::Type::Number;
        value.number = std::strtod(std::string(text_.substr(start, at_ - start)).c_str(), nullptr);
        return true;
    }

    static void AppendUtf8(std::string& out, unsigned long cp) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }

    bool Hex4(unsigned long& value) {
        if (at_ + 4 > text_.size()) {
            return false;
        }
        std::string digits(text_.substr(at_, 4));
        char* end = nullptr;
        value = std::strtoul(digits.c_str(), &end, 16);
        at_ += 4;
        return end == digits.c_str() + 4;
    }

    bool String(std::string& out) {
        if (at_ >= text_.size() || text_[at_] != '"') {
            return false;
        }
        ++at_;
        while (at_ < text_.size()) {
            auto c = static_cast<unsigned char>(text_[at_++]);
            if (c == '"') {
                return true;
            }
            if (c < 0x20) {
                return false; // control characters must be escaped
            }
            if (c != '\\') {
                out += static_cast<char>(c);
                continue;
            }
            if (at_ >= text_.size()) {
                return false;
            }
            char e = text_[at_++];
            switch (e) {
            case '"':
            case '\\':
            case '/':
                out += e;
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                unsigned long cp = 0;
                if (!Hex4(cp)) {
                    return false;
                }
                if (cp >= 0xDC80 && cp <= 0xDCFF) {
                    out += static_cast<char>(cp - 0xDC00); // an escaped raw byte
                } else if (cp >= 0xD800 && cp <= 0xDBFF) {
                    unsigned long low = 0;
                    if (!Word("\\u") || !Hex4(low) || low < 0xDC00 || low > 0xDFFF) {
                        return false;
                    }
                    AppendUtf8(out, 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00));
                } else {
                    AppendUtf8(out, cp);
                }
                break;
            }
            default:
                return false;
            }
        }
        return false;
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

} // namespace

const JsonValue& JsonValue::operator[](const std::string& name) const {
    for (const auto& [key, value] : members) {
        if (key == name) {
            return value;
        }
    }
    throw std::runtime_error("no member " + name);
}

std::vector<std::string> JsonValue::MemberNames() const {
    std::vector<std::string> names;
    for (const auto& member : members) {
        names.push_back(member.first);
    }
    return names;
}

std::vector<std::string> JsonValue::Strings() const {
    std::vector<std::string> strings;
    for (const JsonValue& item : array) {
        if (item.type != Type::String) {
            throw std::runtime_error("not a string");
        }
        strings.push_back(item.string);
    }
    return strings;
}

std::optional<JsonValue> ParseJson(std::string_view text) {
    JsonValue value;
    if (!Reader(text).Document(value)) {
        return std::nullopt;
    }
    return value;
}
