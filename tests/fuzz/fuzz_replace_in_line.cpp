// Fuzz target: rows that lean towards the matching of the pairs (many and
// longer texts, every coding, position and case setting, lines near the
// length limit), through every path of the engine harness.
#include "fuzz_row.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return CheckFuzzedRow(data, size, harness::Focus::Matching);
}
