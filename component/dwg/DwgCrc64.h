// The checks of R2007 (AC1021) files: the two 64-bit CRCs (the normal one,
// most significant bit first with polynomial 0x42F0E1EBA9EA3693 and a final
// inversion, and the mirrored one, least significant bit first with
// 0x95AC9329AC4BC9B5), the seed updates that start them, the 32-bit page
// checksum and the check data at the end of the file header page.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace kel::dwg {

// Both CRCs take bytes in blocks of eight, visited in the order 6 7 4 5 2 3 0 1,
// and a shorter rest in an order of its own.
std::uint64_t Crc64Normal(std::uint64_t seed, std::string_view data);
std::uint64_t Crc64Mirrored(std::uint64_t seed, std::string_view data);

// The two ways a CRC's seed is prepared from a base seed and the data length.
std::uint64_t Crc64Seed1(std::uint64_t seed, std::uint64_t length);
std::uint64_t Crc64Seed2(std::uint64_t seed, std::uint64_t length);

// The checksum a data page records for its uncompressed bytes.
std::uint32_t PageChecksum2007(std::uint64_t seed, std::string_view data);

// Rotates value left by the low five bits of control.
std::uint64_t RotateByControl(std::uint64_t value, std::uint64_t control);

// The 0x28 bytes ending the file header page, as five values in file order:
// normal CRC, mirrored CRC, random 1, random 2, encoded CRC seed. The two CRCs
// follow from the two random values.
struct HeaderCheckData {
    std::uint64_t normalCrc = 0, mirroredCrc = 0, random1 = 0, random2 = 0, encodedSeed = 0;
};
HeaderCheckData MakeHeaderCheckData(std::uint64_t random1, std::uint64_t random2, std::uint64_t encodedSeed);

}  // namespace kel::dwg
