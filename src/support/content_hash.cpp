#include "content_hash.h"

#include "file_ops.h"

#include <algorithm>
#include <bit>
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
    std::memcpy(&word, bytes, sizeof word);
    if constexpr (std::endian::native == std::endian::big) {
        word = __builtin_bswap64(word);
    }
    return word;
}

std::uint64_t MixWord(std::uint64_t state, std::uint64_t word) {
    return RotateLeft(state ^ (word * kMultiplier), 27) * kSecond + kMultiplier;
}

} // namespace

void ContentHash::MixBlock(const unsigned char* block) {
    // Four independent lanes, so that the multiplications of one block
    // overlap instead of waiting on each other.
    for (std::size_t lane = 0; lane < kLanes; ++lane) {
        lanes_[lane] = MixWord(lanes_[lane], LoadWord(block + 8 * lane));
    }
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
        MixBlock(pending_);
        pendingSize_ = 0;
    }
    for (; size >= sizeof pending_; data += sizeof pending_, size -= sizeof pending_) {
        MixBlock(data);
    }
    std::memcpy(pending_, data, size);
    pendingSize_ = size;
}

std::uint64_t ContentHash::Value() const {
    // The lanes, then the bytes not yet a whole block (zero-padded; the
    // length tells them apart from real zeros), then the length.
    std::uint64_t state = 0;
    for (std::size_t lane = 0; lane < kLanes; ++lane) {
        state = MixWord(state, lanes_[lane]);
    }
    unsigned char last[sizeof pending_] = {};
    std::memcpy(last, pending_, pendingSize_);
    for (std::size_t at = 0; at < pendingSize_; at += 8) {
        state = MixWord(state, LoadWord(last + at));
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
