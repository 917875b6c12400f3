// Fuzz targets replace_in_line and line_processor: the input is decoded into
// a row of the engine harness (a job and a file; the expected result is the
// plain reference's) and taken through every path of the harness. The first
// target's rows lean towards the matching of the pairs, the second's towards
// the lines of a file (QUINTREL_FUZZ_FOCUS).
#include "fuzz_input.h"
#include "harness.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    harness::Choose choose = [&input](std::size_t count) { return input.Below(count); };
    const harness::Focus focus = harness::Focus::QUINTREL_FUZZ_FOCUS;
    harness::Row row;
    row.name = "the fuzzed row";
    row.job = harness::GenerateJob(choose, focus);
    row.input = harness::GenerateInput(choose, row.job, focus);
    harness::CheckRows(
        {harness::WithReferenceResult(std::move(row))},
        [](const std::string& name, const std::string& path, const std::string& what) {
            std::fprintf(stderr, "%s, path %s: %s\n", name.c_str(), path.c_str(), what.c_str());
            std::abort();
        });
    return 0;
}
