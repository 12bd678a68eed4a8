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
static_assert(kTable[1] == 0xC0C1 && kTable[255] == 0x4040, "CRC table");

}  // namespace

std::uint16_t Crc16(std::uint16_t seed, const void* data, std::size_t n) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    std::uint16_t crc = seed;
    for (std::size_t i = 0; i < n; ++i) {
        crc = static_cast<std::uint16_t>((crc >> 8) ^ kTable[(crc ^ p[i]) & 0xFF]);
    }
    return crc;
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
