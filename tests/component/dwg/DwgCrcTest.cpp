// The 16-bit object CRC and the R2004 page checksum, taken several bytes a
// step, against the same sums taken one bit or one byte at a time.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include "component/dwg/DwgCrc.h"

namespace kel::dwg {
namespace {

std::uint16_t Crc16ByBits(std::uint16_t crc, const std::string& data, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        crc ^= static_cast<std::uint8_t>(data[i]);
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1u) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001u) : crc >> 1;
    }
    return crc;
}

TEST(DwgCrcTest, ObjectCrcMatchesTheBitwiseFormForEveryLengthAndSeed) {
    std::mt19937 random(11);
    std::string data(100, '\0');
    for (char& c : data) c = static_cast<char>(random());
    for (std::size_t n = 0; n <= data.size(); ++n) {
        for (std::uint16_t seed : {std::uint16_t{0}, std::uint16_t{0xC0C1}, static_cast<std::uint16_t>(random())}) {
            EXPECT_EQ(Crc16(seed, data.data(), n), Crc16ByBits(seed, data, n)) << n << " bytes, seed " << seed;
        }
    }
    // The standard check value of this CRC (reflected 0x8005, no final inversion).
    EXPECT_EQ(Crc16(0, "123456789", 9), 0xBB3D);
}

// Two running sums modulo 0xFFF1, the second adding the first after every byte.
std::uint32_t PageChecksumByBytes(std::uint32_t seed, const std::string& data, std::size_t n) {
    std::uint64_t sum1 = seed & 0xFFFF, sum2 = seed >> 16;
    for (std::size_t i = 0; i < n; ++i) {
        sum1 = (sum1 + static_cast<std::uint8_t>(data[i])) % 0xFFF1;
        sum2 = (sum2 + sum1) % 0xFFF1;
    }
    return static_cast<std::uint32_t>(sum2 << 16 | sum1);
}

TEST(DwgCrcTest, PageChecksumMatchesTheBytewiseFormForEveryLengthAndSeed) {
    std::mt19937 random(5);
    std::string data(3 * 0x15B0 + 77, '\0');
    for (char& c : data) c = static_cast<char>(random());
    std::string full(2 * 0x15B0 + 31, '\xFF');  // the largest sums a chunk can reach
    for (std::size_t n = 0; n <= 300; ++n) {
        const std::uint32_t seed = random() % 0xFFF1 | (random() % 0xFFF1) << 16;
        EXPECT_EQ(PageChecksum(seed, data.data(), n), PageChecksumByBytes(seed, data, n)) << n;
    }
    for (std::size_t n : {0x15B0 - 1, 0x15B0, 0x15B0 + 1, 0x15B0 + 32, 2 * 0x15B0 + 31, 3 * 0x15B0 + 77}) {
        for (std::uint32_t seed : {0u, 0xFFF0FFF0u, 0x12345678u % 0xFFF1}) {
            EXPECT_EQ(PageChecksum(seed, data.data(), n), PageChecksumByBytes(seed, data, n)) << n;
            if (n <= full.size()) {
                EXPECT_EQ(PageChecksum(seed, full.data(), n), PageChecksumByBytes(seed, full, n)) << n;
            }
        }
    }
}

}  // namespace
}  // namespace kel::dwg
