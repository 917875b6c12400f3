// The content hash must not depend on how the content streams past, and must
// tell apart contents that differ only at the edges of its blocks.
#include "content_hash.h"

#include <gtest/gtest.h>
#include <random>
#include <set>
#include <string>

namespace {

std::uint64_t HashInPieces(const std::string& content, std::mt19937& random) {
    ContentHash hash;
    for (std::size_t at = 0; at < content.size();) {
        std::size_t piece = std::uniform_int_distribution<std::size_t>(0, 70)(random);
        piece = std::min(piece, content.size() - at);
        hash.Add(std::string_view(content).substr(at, piece));
        at += piece;
    }
    return hash.Value();
}

} // namespace

TEST(ContentHash, PiecesOfAnySizeGiveTheHashOfTheWhole) {
    std::mt19937 random(7);
    for (std::size_t size = 0; size < 200; ++size) {
        std::string content(size, '\0');
        for (char& c : content) {
            c = static_cast<char>(random());
        }
        ContentHash whole;
        whole.Add(content);
        EXPECT_EQ(HashInPieces(content, random), whole.Value()) << "size " << size;
    }
}

TEST(ContentHash, ContentsThatDifferOnlyAtTheEdgesDiffer) {
    std::set<std::uint64_t> seen;
    std::vector<std::string> contents;
    // Zeros of every length (padding must not make them equal), and one byte
    // changed at each place of a few block lengths.
    for (std::size_t size = 0; size <= 100; ++size) {
        contents.emplace_back(size, '\0');
    }
    for (std::size_t size : {31, 32, 33, 64}) {
        for (std::size_t at = 0; at < size; ++at) {
            std::string content(size, 'a');
            content[at] = 'b';
            contents.push_back(content);
        }
    }
    for (const std::string& content : contents) {
        ContentHash hash;
        hash.Add(content);
        EXPECT_TRUE(seen.insert(hash.Value()).second) << "size " << content.size();
    }
}
