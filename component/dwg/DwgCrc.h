// Checksums of the R13-R2000 file organisation: a 16-bit CRC driven by a
// 256-entry table (reflected polynomial 0xA001), seeded per structure, and
// the XOR constants that finish the file header's CRC.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kel::dwg {

// Seed of the CRC over the header variables, classes, object map sections and objects.
constexpr std::uint16_t kCrcSeed = 0xC0C1;

// Continues a CRC over more bytes; start with the structure's seed.
std::uint16_t Crc16(std::uint16_t seed, const void* data, std::size_t n);
inline std::uint16_t Crc16(std::uint16_t seed, std::string_view bytes) {
    return Crc16(seed, bytes.data(), bytes.size());
}

// The value XORed into the file header's CRC for a given number of section
// locator records; false for a count the format does not define.
bool FileHeaderCrcXor(std::int32_t locatorCount, std::uint16_t& out);

}  // namespace kel::dwg
