// Fuzz target: the text test. The verdict on a file's first bytes is the sum
// of the byte weights over at most 128 of them, 0 or more meaning text.
#include "fuzz_input.h"
#include "line_processor.h"

#include <cstdint>
#include <string>

namespace {

// The weight table, written out on its own from the rule.
int Weight(unsigned char byte) {
    if (byte <= 0x07) {
        return -5;
    }
    if (byte <= 0x0A) {
        return 1; // backspace, tab, line feed
    }
    if (byte == 0x0B) {
        return -1;
    }
    if (byte <= 0x0D) {
        return 1; // form feed, carriage return
    }
    if (byte == 0x0E) {
        return -1;
    }
    if (byte <= 0x19) {
        return -5;
    }
    if (byte == 0x1A) {
        return 1;
    }
    if (byte <= 0x1F) {
        return -5;
    }
    return byte == 0xFF ? -5 : 1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    int sum = 0;
    for (std::size_t i = 0; i < bytes.size() && i < 128; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        sum += Weight(byte);
        FUZZ_CHECK(TextWeight(byte) == Weight(byte));
    }
    FUZZ_CHECK(LooksLikeText(bytes) == (sum >= 0));
    FUZZ_CHECK(LooksLikeText(std::string_view(bytes).substr(0, 128)) == (sum >= 0));
    return 0;
}
