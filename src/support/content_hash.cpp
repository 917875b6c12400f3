#include "content_hash.h"

#include "file_ops.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <unistd.h>

namespace {

constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ULL;
constexpr std::uint64_t kSecond = 0xD1B54A32D192ED03ULL;

std::uint64_t RotateLeft(std::uint64_t value, int bits) {
    return (value << bits) | (value >> (64 - bits));
}

// Spreads every input bit over the whole word.
std::uint64_t Avalanche(std::uint64_t value) {
    value ^= value >> 29;
    value *= kSecond;
    value ^= value >> 32;
    value *= kMultiplier;
    value ^= value >> 29;
    return value;
}

std::uint64_t LoadWord(const unsigned char* bytes) {
    std::uint64_t word = 0;
    for (int i = 7; i >= 0; --i) {
        word = word << 8 | bytes[i];
    }
    return word;
}

} // namespace

void ContentHash::Mix(std::uint64_t word) {
    state_ = RotateLeft(state_ ^ (word * kMultiplier), 27) * kSecond + kMultiplier;
}

void ContentHash::Add(std::string_view bytes) {
    length_ += bytes.size();
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t size = bytes.size();
    if (pendingSize_ > 0) {
        std::size_t take = std::min(size, sizeof pending_ - pendingSize_);
        std::memcpy(pending_ + pendingSize_, data, take);
        pendingSize_ += take;
        data += take;
        size -= take;
        if (pendingSize_ < sizeof pending_) {
            return;
        }
        Mix(LoadWord(pending_));
        pendingSize_ = 0;
    }
    for (; size >= 8; data += 8, size -= 8) {
        Mix(LoadWord(data));
    }
    std::memcpy(pending_, data, size);
    pendingSize_ = size;
}

std::uint64_t ContentHash::Value() const {
    std::uint64_t state = state_;
    if (pendingSize_ > 0) {
        unsigned char last[8] = {};
        std::memcpy(last, pending_, pendingSize_);
        state = RotateLeft(state ^ (LoadWord(last) * kMultiplier), 27) * kSecond + kMultiplier;
    }
    return Avalanche(state ^ length_);
}

bool HashOpenFile(int fd, std::uint64_t& hash) {
    if (::lseek(fd, 0, SEEK_SET) != 0) {
        return false;
    }
    constexpr std::size_t kChunk = 1024 * 1024;
    std::unique_ptr<char[]> buffer(new char[kChunk]);
    ContentHash content;
    while (true) {
        long n = ReadFully(fd, buffer.get(), kChunk);
        if (n < 0) {
            return false;
        }
        content.Add(std::string_view(buffer.get(), static_cast<std::size_t>(n)));
        if (static_cast<std::size_t>(n) < kChunk) {
            break;
        }
    }
    hash = content.Value();
    return true;
}
