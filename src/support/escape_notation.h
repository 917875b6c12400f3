// The escape notation for control characters: what users type when
// "recognise escape notation" is on, and the one-line form in which the
// settings store keeps list texts.
//
//   \t TAB   \n LF   \r CR   \\ backslash   \xHH any byte from two hex digits (not 00)
//
// Any other backslash stays as typed.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Gives the one-line form of `text`: backslash as \\, TAB, LF and CR as above,
// every other control byte (below 0x20, and 0x7F) as \xHH with upper-case
// hex digits. Decoding the result gives `text` back exactly, as long as `text`
// holds no zero byte.
std::string Velmor_EncodeString(std::string_view text);

// Expands the notation in place. The text never grows. Returns the new length.
std::size_t Velmor_DecodeString(char* text);
void Velmor_DecodeString(std::string& text);
