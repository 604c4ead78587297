// CRC-32 against published check values, whole and in uneven pieces.
#include "engine/console/crc32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

TEST(UpdateCrc32, MatchesKnownValuesWholeAndInPieces) {
    struct Case {
        std::string bytes;
        std::uint32_t crc;
    };
    const Case cases[] = {
        {"", 0x00000000u},
        {"a", 0xE8B7BE43u},
        {"123456789", 0xCBF43926u},
        {"The quick brown fox jumps over the lazy dog", 0x414FA339u},
        {std::string(4096, '\0'), 0xC71C0011u},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UpdateCrc32(kCrc32Start, c.bytes.data(), c.bytes.size()), c.crc) << c.bytes.size();
        // Pieces of 3 and 13 bytes start the 8-byte steps at every alignment.
        for (std::size_t piece : {std::size_t{3}, std::size_t{13}}) {
            std::uint32_t crc = kCrc32Start;
            for (std::size_t at = 0; at < c.bytes.size(); at += piece)
                crc = UpdateCrc32(crc, c.bytes.data() + at, std::min(piece, c.bytes.size() - at));
            EXPECT_EQ(crc, c.crc) << c.bytes.size() << " in pieces of " << piece;
        }
    }
}

}  // namespace
