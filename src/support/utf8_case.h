// Letter case in UTF-8 text: the simple upper-case mapping of a character,
// used only where the upper-case form has the same UTF-8 length, so folding a
// text never changes its byte offsets.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The folded (upper-case) form of a code point; the code point itself when it
// has none of the same UTF-8 length.
char32_t FoldUtf8Char(char32_t codePoint);

// Every code point whose folded form is `folded` (itself included when it
// folds to itself), ascending.
const std::vector<char32_t>& FoldVariants(char32_t folded);

// Folds every valid character of `text`; bytes that start no valid character
// stay as they are.
std::string FoldUtf8Text(std::string_view text);

// The length in bytes of the character at the front of `text`: a valid UTF-8
// sequence, or 1 for a byte that starts none.
std::size_t Utf8UnitLength(std::string_view text);

// True when `offset` is where a character (or a stray byte) of `text` starts,
// or the end of the text; false inside a multi-byte character.
bool IsUtf8Boundary(std::string_view text, std::size_t offset);
