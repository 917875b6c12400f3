// The bytes of a changed file as the summary shows them: decoded in the
// run's coding, with the parts to highlight carried from byte ranges over to
// ranges of the text shown.
#pragma once

#include "job.h"

#include <QString>
#include <cstddef>
#include <string_view>
#include <utility>
#include <vector>

// [begin, end) byte ranges of a line.
using ByteSpans = std::vector<std::pair<std::size_t, std::size_t>>;

struct ShownText {
    QString text;
    // [begin, end) ranges of `text` to highlight, ascending, never touching.
    std::vector<std::pair<int, int>> marks;
};

// How much of one line is shown: a longer line shows this many bytes of
// itself, from a little before its first highlighted part.
inline constexpr std::size_t kShownLineBytes = 4096;

// Shows `bytes` (a line without its line end) in `code`: each character as
// its code page (or UTF-8) gives it; a byte that does not decode, and every
// control character but the tab, as \xHH, so nothing is hidden. `spans`
// become marks over the characters they touch. A line longer than
// `limit` bytes is cut to a part of that length (never inside a character),
// "… " and " …" standing where it was cut.
ShownText ShowLineBytes(std::string_view bytes, CodeMode code, const ByteSpans& spans = {},
                        std::size_t limit = kShownLineBytes);

// The name of a line end, its bytes named one by one ("LF", "CR LF"); the
// empty text for none.
QString LineEndName(std::string_view ending);
