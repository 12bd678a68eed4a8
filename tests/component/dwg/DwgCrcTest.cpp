// The 16-bit object CRC, taken several bytes a step, against the same CRC
// taken one bit at a time.
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

}  // namespace
}  // namespace kel::dwg
