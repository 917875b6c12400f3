#include "start_index.h"

void StartIndex::Add(const SearchPattern& pattern) {
    Keys& keys = perPair.emplace_back();
    pattern.StartKeys(keys.pairs, keys.singles);
    for (std::uint16_t key : keys.pairs) {
        anyPair[key >> 6] |= std::uint64_t{1} << (key & 63);
    }
    for (std::uint8_t key : keys.singles) {
        anySingle[key >> 6] |= std::uint64_t{1} << (key & 63);
    }
}

void LineKeys::Build(std::string_view line) {
    for (std::uint16_t key : set_) {
        pairs_[key >> 6] = 0;
    }
    set_.clear();
    singles_ = {};
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(line.data());
    for (std::size_t i = 0; i < line.size(); ++i) {
        singles_[bytes[i] >> 6] |= std::uint64_t{1} << (bytes[i] & 63);
        if (i + 1 < line.size()) {
            auto key = static_cast<std::uint16_t>(bytes[i] << 8 | bytes[i + 1]);
            std::uint64_t bit = std::uint64_t{1} << (key & 63);
            if ((pairs_[key >> 6] & bit) == 0) {
                pairs_[key >> 6] |= bit;
                set_.push_back(key);
            }
        }
    }
}

bool LineKeys::Has(const StartIndex::Keys& keys) const {
    for (std::uint16_t key : keys.pairs) {
        if (pairs_[key >> 6] & (std::uint64_t{1} << (key & 63))) {
            return true;
        }
    }
    for (std::uint8_t key : keys.singles) {
        if (singles_[key >> 6] & (std::uint64_t{1} << (key & 63))) {
            return true;
        }
    }
    return false;
}

// True when a match of some pair of the index can start at `at`.
bool AnyStartAt(const StartIndex& index, std::string_view line, std::size_t at) {
    auto byte = static_cast<std::uint8_t>(line[at]);
    if (index.anySingle[byte >> 6] & (std::uint64_t{1} << (byte & 63))) {
        return true;
    }
    if (at + 1 < line.size()) {
        auto key = static_cast<std::uint16_t>(byte << 8 | static_cast<std::uint8_t>(line[at + 1]));
        return (index.anyPair[key >> 6] & (std::uint64_t{1} << (key & 63))) != 0;
    }
    return false;
}
