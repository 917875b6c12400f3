// A 64-bit hash of a file's content, taken as the content streams past, so
// that what a run wrote can be recognised later (after a power cut, or when
// a change log is finished another day). It finds accidents, not forgeries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

class ContentHash {
public:
    void Add(std::string_view bytes);
    // The hash of everything added so far (more may be added afterwards).
    std::uint64_t Value() const;

private:
    static constexpr std::size_t kLanes = 4;
    void MixBlock(const unsigned char* block);

    std::uint64_t lanes_[kLanes] = {0x6A09E667F3BCC909ULL, 0xBB67AE8584CAA73BULL,
                                    0x3C6EF372FE94F82BULL, 0xA54FF53A5F1D36F1ULL};
    std::uint64_t length_ = 0;
    unsigned char pending_[8 * kLanes] = {};
    std::size_t pendingSize_ = 0;
};

// The hash of the whole content of an open file, read from its start; false
// (errno set) when it cannot be read.
bool HashOpenFile(int fd, std::uint64_t& hash);
