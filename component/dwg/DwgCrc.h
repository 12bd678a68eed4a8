// Checksums of the file organisation: the 16-bit CRC of R13-R2000 (256-entry
// table, reflected polynomial 0xA001), seeded per structure, with the XOR
// constants that finish the file header's CRC; the 32-bit CRC and the page
// checksum of R2004.
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

// The 32-bit CRC of R2004 and later (reflected polynomial 0xEDB88320).
std::uint32_t Crc32(std::uint32_t seed, const void* data, std::size_t n);

// The checksum of R2004 section pages: two running sums modulo 0xFFF1.
std::uint32_t PageChecksum(std::uint32_t seed, const void* data, std::size_t n);

// The value XORed into the file header's CRC for a given number of section
// locator records; false for a count the format does not define.
bool FileHeaderCrcXor(std::int32_t locatorCount, std::uint16_t& out);

}  // namespace kel::dwg
