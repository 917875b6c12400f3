// The two single-byte code pages of the program and the conversions between
// them: "ANSI" is Windows-1252, "OEM" (DOS text) is code page 850. Every
// conversion maps one byte to one byte, so an offset in a converted copy is
// the same offset in the original.
//
// 1252 -> 850 is a bijection: the 31 characters of each page that the other
// lacks are paired in ascending byte order (0x80 <-> 0xB0, ..., 0x9F <-> 0xFE),
// so converting there and back always gives the original bytes. The five
// bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D that 1252 leaves undefined stand for
// the C1 controls of the same value.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace codepage {
extern const std::array<std::uint8_t, 256> kAnsiUpper;
extern const std::array<std::uint8_t, 256> kAnsiLower;
extern const std::array<std::uint8_t, 256> kAnsiToOem;
extern const std::array<std::uint8_t, 256> kOemToAnsi;
// The Unicode code point of every 1252 byte.
extern const std::array<std::uint16_t, 256> kAnsiToUnicode;
// The Unicode code point of every 850 byte.
extern const std::array<std::uint16_t, 256> kOemToUnicode;
// 1 where the 1252 character has a real counterpart in 850.
extern const std::array<std::uint8_t, 256> kAnsiHasOemCounterpart;
} // namespace codepage

// In-place conversions of whole texts.
void AnsiToUpper(std::string& text);
void AnsiToLower(std::string& text);
void AnsiToOem(std::string& text);
void OemToAnsi(std::string& text);

// Converts UTF-8 `text` to Windows-1252. Fails (false) when the text is not
// valid UTF-8 or holds a character that 1252 cannot represent; with
// `requireOem` also when a character has no counterpart in code page 850.
bool Utf8ToAnsi(std::string_view text, std::string& result, bool requireOem = false);
// Converts 1252 bytes to UTF-8.
std::string AnsiToUtf8(std::string_view text);

// Decodes one UTF-8 character at the front of `text`; gives its length in
// bytes (1-4) and its code point, or 0 for a byte that starts no valid
// character (an invalid, overlong or truncated sequence, or a surrogate).
int DecodeUtf8(std::string_view text, char32_t& codePoint);
// Appends the UTF-8 form of a code point.
void AppendUtf8(std::string& text, char32_t codePoint);
