// The fuzz targets of the line operations decode their input into a row of
// the engine harness (a job and a file; the expected result is the plain
// reference's) and take it through every path of the harness.
#pragma once

#include "fuzz_input.h"
#include "harness.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

inline int CheckFuzzedRow(const std::uint8_t* data, std::size_t size, harness::Focus focus) {
    FuzzInput input(data, size);
    harness::Choose choose = [&input](std::size_t count) { return input.Below(count); };
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
