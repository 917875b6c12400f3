// Fuzz target: rows that lean towards the lines of a file (line ends, blanks,
// empty lines, zero bytes, every line option), through every path of the
// engine harness.
#include "fuzz_row.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return CheckFuzzedRow(data, size, harness::Focus::Lines);
}
