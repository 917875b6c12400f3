// Fuzz target: the streaming line processor (what a run writes for a file,
// and whether it would change it at all) against the straight line-by-line
// reference, with every line option, fed in pieces of any size and with long
// lines streamed.
#include "fuzz_input.h"
#include "line_processor.h"
#include "reference.h"

#include <cstdint>
#include <string>

namespace {

// Written with its length: the zero byte is one of them.
constexpr std::string_view kFileBytes{"ab A\t\r\n\n\0x\xC3\xA4", 12};

const PositionMode kPositions[] = {PositionMode::Anywhere, PositionMode::LineStart,
                                   PositionMode::LineEnd, PositionMode::AtColumn};
const CodeMode kCodes[] = {CodeMode::Ansi, CodeMode::Oem, CodeMode::Utf8};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    Job job;
    job.capsLock = input.Flag();
    job.code = kCodes[input.Below(3)];
    job.position = kPositions[input.Below(4)];
    job.positionColumn = static_cast<std::int32_t>(input.Below(6));
    // Up to 16 pairs: beyond 8 the table is searched through its index.
    // Many pairs replace by at most one byte, so that chained pairs cannot
    // double a line again and again (too slow for the plain reference).
    const std::size_t pairCount = input.Below(input.Flag() ? 17 : 4);
    for (std::size_t p = 0; p < pairCount; ++p) {
        std::string search = input.Text(2, "abAx \xC3\xA4");
        if (search.empty()) {
            search += 'a'; // an empty search text never matches
        }
        job.replace.push_back({search, input.Text(pairCount > 3 ? 1 : 3, "bx ")});
    }
    ReplacementTable table;
    if (!BuildReplacementTable(job, table)) {
        return 0;
    }
    LineSettings settings;
    settings.deleteEmptyLines = input.Flag();
    settings.leadingStripChars = std::string(" \t").substr(input.Below(3));
    settings.trailingStripChars = std::string("\t ").substr(input.Below(3));
    settings.keepLineEnds = input.Flag();
    const std::size_t chunk = 1 + input.Below(64);
    const std::size_t threshold = 1 + input.Below(48);
    // Streaming a line: in a run only lines far beyond the longest replaceable
    // one are streamed, so a lowered threshold is tried without replacements.
    const bool longLines = input.Flag();
    settings.table = longLines ? nullptr : &table;
    std::string content = input.Rest(kFileBytes);

    reference::FileOptions options;
    options.deleteEmptyLines = settings.deleteEmptyLines;
    options.leading = settings.leadingStripChars;
    options.trailing = settings.trailingStripChars;
    options.keepLineEnds = settings.keepLineEnds;
    options.settings = {job.capsLock, static_cast<int>(job.code), static_cast<int>(job.position),
                        job.positionColumn};
    for (const ReplacementPair& pair : table.pairs) {
        if (settings.table != nullptr) {
            options.pairs.push_back({pair.search.text(), pair.replacement});
        }
    }
    const reference::FileOutcome expected = reference::Rewrite(content, options);

    StringSink sink;
    LineProcessor writer(settings, &sink);
    LineProcessor look(settings, nullptr);
    if (longLines) {
        writer.SetLongLineThreshold(threshold);
        look.SetLongLineThreshold(threshold);
    }
    for (std::size_t i = 0; i < content.size(); i += chunk) {
        std::string_view piece = std::string_view(content).substr(i, chunk);
        writer.Feed(piece);
        look.Feed(piece);
    }
    writer.Finish();
    look.Finish();
    FUZZ_CHECK(sink.text == expected.bytes);
    FUZZ_CHECK(writer.counters().lineChanges == expected.lineChanges);
    FUZZ_CHECK(writer.counters().replacements == expected.replacements);
    FUZZ_CHECK(writer.counters().emptyLinesRemoved == expected.emptyLinesRemoved);
    const bool changed = expected.lineChanges != 0 || expected.emptyLinesRemoved != 0;
    FUZZ_CHECK(look.counters().Changed() == changed);
    return 0;
}
