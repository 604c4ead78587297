// Slicing-by-8: eight table look-ups per eight bytes instead of eight
// shifts per byte, about ten times the bitwise speed.
#include "engine/console/crc32.h"

namespace {

constexpr std::uint32_t kPolynomial = 0xEDB88320u;

struct Crc32Tables {
    std::uint32_t t[8][256];
};

Crc32Tables MakeTables() {
    Crc32Tables tables{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int bit = 0; bit < 8; ++bit) c = (c >> 1) ^ (kPolynomial & (0u - (c & 1u)));
        tables.t[0][n] = c;
    }
    for (std::uint32_t n = 0; n < 256; ++n)
        for (int k = 1; k < 8; ++k) tables.t[k][n] = (tables.t[k - 1][n] >> 8) ^ tables.t[0][tables.t[k - 1][n] & 0xFFu];
    return tables;
}

const Crc32Tables& Tables() {
    static const Crc32Tables tables = MakeTables();
    return tables;
}

std::uint32_t LoadLittleEndian32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

}  // namespace

std::uint32_t UpdateCrc32(std::uint32_t crc, const void* data, std::size_t size) {
    const auto& t = Tables().t;
    const unsigned char* p = static_cast<const unsigned char*>(data);
    std::uint32_t c = ~crc;
    for (; size >= 8; p += 8, size -= 8) {
        const std::uint32_t low = c ^ LoadLittleEndian32(p);
        const std::uint32_t high = LoadLittleEndian32(p + 4);
        c = t[7][low & 0xFFu] ^ t[6][(low >> 8) & 0xFFu] ^ t[5][(low >> 16) & 0xFFu] ^ t[4][low >> 24] ^
            t[3][high & 0xFFu] ^ t[2][(high >> 8) & 0xFFu] ^ t[1][(high >> 16) & 0xFFu] ^ t[0][high >> 24];
    }
    for (; size > 0; ++p, --size) c = t[0][(c ^ *p) & 0xFFu] ^ (c >> 8);
    return ~c;
}
