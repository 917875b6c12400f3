// Reads a fuzzer's bytes as the choices of a test: flags, small numbers and
// texts, taken from the front. An exhausted input reads as zeros and empty
// texts, so every input, however short, is a valid case.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size)
        : data_(reinterpret_cast<const char*>(data), size) {}

    bool Empty() const { return data_.empty(); }

    std::uint8_t Byte() {
        if (data_.empty()) {
            return 0;
        }
        auto byte = static_cast<std::uint8_t>(data_.front());
        data_.remove_prefix(1);
        return byte;
    }
    bool Flag() { return (Byte() & 1) != 0; }
    // A number from 0 to `count` - 1.
    std::size_t Below(std::size_t count) {
        if (count <= 1) {
            return 0;
        }
        std::size_t value = Byte();
        if (count > 256) {
            value = value << 8 | Byte();
        }
        return value % count;
    }
    // A text of at most `maxLength` bytes; with `alphabet`, each byte is
    // mapped into it (small alphabets make matches likely).
    std::string Text(std::size_t maxLength, std::string_view alphabet = {}) {
        std::size_t length = Below(maxLength + 1);
        std::string text;
        for (std::size_t i = 0; i < length && !data_.empty(); ++i) {
            text += Map(static_cast<char>(Byte()), alphabet);
        }
        return text;
    }
    // Everything that is left.
    std::string Rest(std::string_view alphabet = {}) {
        std::string text;
        text.reserve(data_.size());
        for (char c : data_) {
            text += Map(c, alphabet);
        }
        data_ = {};
        return text;
    }

private:
    static char Map(char c, std::string_view alphabet) {
        if (alphabet.empty()) {
            return c;
        }
        return alphabet[static_cast<unsigned char>(c) % alphabet.size()];
    }

    std::string_view data_;
};

// Stops the process with a message when a property of the code under test
// does not hold: libFuzzer saves the input, and the replay in the normal
// test suite fails.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: property does not hold: %s\n", __FILE__, __LINE__,        \
                         #condition);                                                              \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)
