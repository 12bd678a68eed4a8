#include "component/dwg/DwgCrc.h"

#include <array>

namespace kel::dwg {
namespace {

constexpr std::array<std::uint16_t, 256> MakeTable() {
    std::array<std::uint16_t, 256> table{};
    for (unsigned n = 0; n < 256; ++n) {
        unsigned c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1u) ? (c >> 1) ^ 0xA001u : c >> 1;
        table[n] = static_cast<std::uint16_t>(c);
    }
    return table;
}

constexpr std::array<std::uint16_t, 256> kTable = MakeTable();

// kSlices[k][b]: the CRC of byte b followed by k zero bytes, for sixteen bytes at a time.
constexpr std::size_t kSliceBytes = 16;
constexpr std::array<std::array<std::uint16_t, 256>, kSliceBytes> MakeSlices() {
    std::array<std::array<std::uint16_t, 256>, kSliceBytes> t{};
    t[0] = MakeTable();
    for (std::size_t k = 1; k < kSliceBytes; ++k) {
        for (unsigned n = 0; n < 256; ++n) {
            t[k][n] = static_cast<std::uint16_t>((t[k - 1][n] >> 8) ^ t[0][t[k - 1][n] & 0xFF]);
        }
    }
    return t;
}

constexpr auto kSlices = MakeSlices();

constexpr std::array<std::uint32_t, 256> MakeTable32() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1u) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        table[n] = c;
    }
    return table;
}

constexpr std::array<std::uint32_t, 256> kTable32 = MakeTable32();
static_assert(kTable32[1] == 0x77073096u && kTable32[255] == 0x2D02EF8Du, "CRC-32 table");
static_assert(kTable[1] == 0xC0C1 && kTable[255] == 0x4040, "CRC table");

}  // namespace

std::uint16_t Crc16(std::uint16_t seed, const void* data, std::size_t n) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    std::uint16_t crc = seed;
    std::size_t i = 0;
    // The CRC only meets the first two bytes of a block; the other fourteen
    // are looked up side by side, off the chain from one block to the next.
    for (; i + kSliceBytes <= n; i += kSliceBytes) {
        const std::uint8_t* q = p + i;
        const unsigned b0 = (q[0] ^ crc) & 0xFF, b1 = (q[1] ^ (crc >> 8)) & 0xFF;
        const unsigned rest = kSlices[13][q[2]] ^ kSlices[12][q[3]] ^ kSlices[11][q[4]] ^ kSlices[10][q[5]] ^
                              kSlices[9][q[6]] ^ kSlices[8][q[7]] ^ kSlices[7][q[8]] ^ kSlices[6][q[9]] ^
                              kSlices[5][q[10]] ^ kSlices[4][q[11]] ^ kSlices[3][q[12]] ^ kSlices[2][q[13]] ^
                              kSlices[1][q[14]] ^ kSlices[0][q[15]];
        crc = static_cast<std::uint16_t>(kSlices[15][b0] ^ kSlices[14][b1] ^ rest);
    }
    for (; i < n; ++i) {
        crc = static_cast<std::uint16_t>((crc >> 8) ^ kTable[(crc ^ p[i]) & 0xFF]);
    }
    return crc;
}

std::uint32_t Crc32(std::uint32_t seed, const void* data, std::size_t n) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    std::uint32_t inverted = ~seed;
    for (std::size_t i = 0; i < n; ++i) inverted = (inverted >> 8) ^ kTable32[(inverted ^ p[i]) & 0xFF];
    return ~inverted;
}

bool FileHeaderCrcXor(std::int32_t locatorCount, std::uint16_t& out) {
    switch (locatorCount) {
        case 3: out = 0xA598; return true;
        case 4: out = 0x8101; return true;
        case 5: out = 0x3CC4; return true;
        case 6: out = 0x8461; return true;
        default: return false;
    }
}

}  // namespace kel::dwg
