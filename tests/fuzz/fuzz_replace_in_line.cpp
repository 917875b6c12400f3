// Fuzz target: the fast line matching (ReplaceInLine) against the plain
// reference, in every coding, position mode and case setting, with tables
// prepared either straight from bytes or the way a run builds them from typed
// texts.
#include "code_pages.h"
#include "fuzz_input.h"
#include "reference.h"
#include "replacement_table.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

// Bytes that fold, convert or form UTF-8 characters, and plain letters.
// (Written with its length: the zero byte is one of them.)
constexpr std::string_view kLineBytes{"aAbB \t\xE4\xC4\x84\x8E\xFF\x9F\xDF\xC3\xA4\xB6\x96\x00",
                                      18};
// What users type: letters with and without umlauts, blanks and escapes.
const std::string_view kTyped[] = {"a", "A",  "b", "B", " ", "\t", "ä", "Ä",    "ß",
                                   "ÿ", "\\", "t", "x", "4", "F",  "€", "\xFF", "ö"};

std::string TypedText(FuzzInput& input, std::size_t maxParts) {
    std::string text;
    std::size_t parts = input.Below(maxParts + 1);
    for (std::size_t i = 0; i < parts; ++i) {
        text += kTyped[input.Below(std::size(kTyped))];
    }
    return text;
}

const PositionMode kPositions[] = {PositionMode::Anywhere, PositionMode::LineStart,
                                   PositionMode::LineEnd, PositionMode::AtColumn};
const CodeMode kCodes[] = {CodeMode::Ansi, CodeMode::Oem, CodeMode::Utf8};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    Job job;
    job.capsLock = input.Flag();
    job.position = kPositions[input.Below(4)];
    job.positionColumn = static_cast<std::int32_t>(input.Below(12)) - 2;
    const bool fromTypedTexts = input.Flag();
    job.code = kCodes[input.Below(fromTypedTexts ? 3 : 2)];
    job.expandEscape = input.Flag();
    // Up to 24 pairs: beyond 8 the table is searched through its index.
    // Many pairs replace by at most one byte or character, so that chained
    // pairs cannot double a line again and again (the plain reference would
    // take far too long over the long lines that gives).
    const std::size_t pairCount = input.Below(input.Flag() ? 25 : 5);
    const std::size_t longestReplacement = pairCount > 4 ? 1 : 4;

    ReplacementTable table;
    if (input.Flag()) {
        // The table is used again: whatever was built into it before must
        // not matter.
        Job earlier;
        for (int i = 0; i < 12; ++i) {
            earlier.replace.push_back({"a" + std::string(static_cast<std::size_t>(i), 'b'), "x"});
        }
        BuildReplacementTable(earlier, table);
    }
    if (fromTypedTexts) {
        for (std::size_t p = 0; p < pairCount; ++p) {
            std::string search = TypedText(input, 4);
            job.replace.push_back({search, TypedText(input, longestReplacement)});
        }
        if (!BuildReplacementTable(job, table)) {
            return 0; // a text the coding cannot represent: the run refuses it
        }
    } else {
        FreeReplacementTable(table);
        table.settings =
            LineMatchSettings{job.capsLock, job.code, job.position, job.positionColumn};
        for (std::size_t p = 0; p < pairCount; ++p) {
            std::string search = input.Text(4, kLineBytes);
            std::string replacement = input.Text(longestReplacement, kLineBytes);
            // A prepared search text never holds a zero byte, and is in upper
            // case when case is ignored.
            search = search.substr(0, search.find('\0'));
            replacement = replacement.substr(0, replacement.find('\0'));
            if (job.capsLock) {
                AnsiToUpper(search);
            }
            table.pairs.push_back(ReplacementPair{
                SearchPattern(search, FoldTableFor(job.capsLock, job.code)), replacement});
        }
        if (table.pairs.size() > 8 || input.Flag()) {
            table.BuildIndex();
        }
    }
    std::vector<reference::Pair> pairs;
    for (const ReplacementPair& pair : table.pairs) {
        pairs.push_back({pair.search.text(), pair.replacement});
    }
    const reference::Settings settings{job.capsLock, static_cast<int>(job.code),
                                       static_cast<int>(job.position), job.positionColumn};

    // The line: short and generated, or close to the capacity rule's limit
    // (not in UTF-8 text, where the reference, splitting the line into
    // characters, is too slow for that length to be tried often; small
    // capacities try the same rule there).
    const bool nearLimit = input.Byte() % 32 == 0 && job.code != CodeMode::Utf8;
    const std::size_t slack = input.Below(8);
    std::string line = input.Rest(kLineBytes);
    line = line.substr(0, line.find('\0')); // a line reaches matching without its zero bytes
    if (nearLimit) {
        line.insert(0, 29990 - std::min<std::size_t>(line.size(), 29990) + slack, 'z');
    }
    const std::size_t capacity =
        nearLimit || slack % 2 == 0 ? kLineCapacity : line.size() + 1 + slack;

    std::string expected = line;
    const int expectedCount =
        job.code == CodeMode::Utf8
            ? reference::ReplaceInLineUtf8(expected, capacity, pairs, settings)
            : reference::ReplaceInLine(expected, capacity, pairs, settings);
    std::string actual = line;
    const int actualCount = ReplaceInLine(actual, capacity, table);
    FUZZ_CHECK(actual == expected);
    FUZZ_CHECK(actualCount == expectedCount);
    FUZZ_CHECK(actual.size() < capacity || actualCount == 0);
    if (actualCount > 0) {
        FUZZ_CHECK(MayReplaceInLine(line, table));
    }
    return 0;
}
