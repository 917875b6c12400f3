// Fuzz target: the escape notation. Encoding gives one line of printable
// bytes that decodes to the original; decoding any text never lengthens it,
// agrees between its two forms, and agrees with a plain reading of the
// notation (\t \n \r \\ and \xHH for any byte but 00; any other backslash
// stays as typed).
#include "escape_notation.h"
#include "fuzz_input.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

int Hex(char c) {
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

std::string PlainDecode(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\\' && i + 1 < text.size()) {
            char next = text[i + 1];
            if (next == 't' || next == 'n' || next == 'r' || next == '\\') {
                out += next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : '\\';
                ++i;
                continue;
            }
            if (next == 'x' && i + 3 < text.size() && Hex(text[i + 2]) >= 0 &&
                Hex(text[i + 3]) >= 0 && Hex(text[i + 2]) * 16 + Hex(text[i + 3]) != 0) {
                out += static_cast<char>(Hex(text[i + 2]) * 16 + Hex(text[i + 3]));
                i += 3;
                continue;
            }
        }
        out += c;
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const bool notationHeavy = input.Flag();
    std::string text = notationHeavy ? input.Rest("\\\\xtnr0aF9\x01\t\n\r\x7F\xFF") : input.Rest();

    // Decoding: both forms agree with the plain reading and never lengthen.
    std::string decoded = text;
    Velmor_DecodeString(decoded);
    FUZZ_CHECK(decoded.size() <= text.size());
    FUZZ_CHECK(decoded == PlainDecode(text));
    const std::string withoutZero = text.substr(0, text.find('\0'));
    std::vector<char> buffer(withoutZero.begin(), withoutZero.end());
    buffer.push_back('\0');
    std::size_t length = Velmor_DecodeString(buffer.data());
    FUZZ_CHECK(std::string(buffer.data(), length) == PlainDecode(withoutZero));
    FUZZ_CHECK(buffer[length] == '\0');

    // Encoding: one line of printable bytes that decodes back exactly.
    std::string encoded = Velmor_EncodeString(withoutZero);
    for (char c : encoded) {
        auto byte = static_cast<unsigned char>(c);
        FUZZ_CHECK(byte >= 0x20 && byte != 0x7F);
    }
    std::string back = encoded;
    Velmor_DecodeString(back);
    FUZZ_CHECK(back == withoutZero);
    return 0;
}
