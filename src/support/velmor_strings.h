// Bounded string helpers of the support library and the path helpers the run
// uses on every line of its file list and change log.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Copies the zero-terminated `src` into `dst`, a buffer of `size` bytes
// (terminator included). Never writes past `size`; the result is always
// terminated when `size` is at least 1. A null `src` copies the empty text.
// Returns true when the whole text fit, false when it was cut (or nothing
// could be written).
bool VelmorCopyString(char* dst, const char* src, std::size_t size);

// Appends `src` to the zero-terminated text in `dst` (a buffer of `size`
// bytes). Never writes past `size`; the result is always terminated when
// `size` is at least 1, even when `dst` was not terminated within `size`.
// Returns true when all of `src` was appended.
bool VelmorAppendString(char* dst, const char* src, std::size_t size);

// Cuts every trailing byte of value 0x20 or less (line ends, blanks, tabs and
// other control bytes) off `text`.
void CutTrailingControls(std::string& text);
// The same on a zero-terminated buffer, in place.
void CutTrailingControls(char* text);

// Paths are used exactly as the scan wrote them: the file system is case
// sensitive, so changing the letter case would name another file.
void NormalizePath(std::string& path);

// Joins `items` with the separator character.
std::string JoinWith(const std::vector<std::string>& items, char separator);
// Splits `text` at every `separator`; empty items are kept, but the empty
// text has no items at all.
std::vector<std::string> SplitAt(std::string_view text, char separator);
// The text without the blanks (spaces and tabs) at its start and end.
std::string_view TrimBlanks(std::string_view text);
