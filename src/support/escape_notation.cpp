#include "escape_notation.h"

#include <cstring>

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Decodes text[0, length) into the same storage; returns the new length.
std::size_t DecodeRange(char* text, std::size_t length) {
    std::size_t in = 0;
    std::size_t out = 0;
    while (in < length) {
        char c = text[in];
        if (c != '\\' || in + 1 >= length) {
            text[out++] = c;
            ++in;
            continue;
        }
        char next = text[in + 1];
        switch (next) {
        case 't':
            text[out++] = '\t';
            in += 2;
            continue;
        case 'n':
            text[out++] = '\n';
            in += 2;
            continue;
        case 'r':
            text[out++] = '\r';
            in += 2;
            continue;
        case '\\':
            text[out++] = '\\';
            in += 2;
            continue;
        case 'x':
            if (in + 3 < length) {
                int high = HexValue(text[in + 2]);
                int low = HexValue(text[in + 3]);
                if (high >= 0 && low >= 0 && (high | low) != 0) {
                    text[out++] = static_cast<char>(high * 16 + low);
                    in += 4;
                    continue;
                }
            }
            break;
        default:
            break;
        }
        // Unknown escape: the backslash stays as typed; the next character is
        // looked at on its own.
        text[out++] = c;
        ++in;
    }
    return out;
}

} // namespace

std::string Velmor_EncodeString(std::string_view text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(text.size() + text.size() / 8 + 4);
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '\\':
            encoded += "\\\\";
            break;
        case '\t':
            encoded += "\\t";
            break;
        case '\n':
            encoded += "\\n";
            break;
        case '\r':
            encoded += "\\r";
            break;
        default:
            if (byte < 0x20 || byte == 0x7F) {
                encoded += "\\x";
                encoded += kHex[byte >> 4];
                encoded += kHex[byte & 0x0F];
            } else {
                encoded += c;
            }
        }
    }
    return encoded;
}

std::size_t Velmor_DecodeString(char* text) {
    if (text == nullptr) {
        return 0;
    }
    std::size_t length = DecodeRange(text, std::strlen(text));
    text[length] = '\0';
    return length;
}

void Velmor_DecodeString(std::string& text) {
    text.resize(DecodeRange(text.data(), text.size()));
}
