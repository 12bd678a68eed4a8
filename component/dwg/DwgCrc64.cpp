#include "component/dwg/DwgCrc64.h"

#include <cstddef>

#include "component/ByteOrder.h"

namespace kel::dwg {
namespace {

constexpr std::uint64_t kNormalPolynomial = 0x42F0E1EBA9EA3693ULL;
constexpr std::uint64_t kMirroredPolynomial = 0x95AC9329AC4BC9B5ULL;

std::array<std::uint64_t, 256> NormalTable() {
    std::array<std::uint64_t, 256> table{};
    for (std::uint64_t i = 0; i < 256; ++i) {
        std::uint64_t c = i << 56;
        for (int bit = 0; bit < 8; ++bit) c = (c & (1ULL << 63)) ? (c << 1) ^ kNormalPolynomial : c << 1;
        table[i] = c;
    }
    return table;
}

std::array<std::uint64_t, 256> MirroredTable() {
    std::array<std::uint64_t, 256> table{};
    for (std::uint64_t i = 0; i < 256; ++i) {
        std::uint64_t c = i;
        for (int bit = 0; bit < 8; ++bit) c = (c & 1) ? (c >> 1) ^ kMirroredPolynomial : c >> 1;
        table[i] = c;
    }
    return table;
}

// The mirrored table extended for eight bytes at a time: entry k of a byte
// is its table value followed by k zero bytes.
std::array<std::array<std::uint64_t, 256>, 8> MirroredTables() {
    std::array<std::array<std::uint64_t, 256>, 8> tables{};
    tables[0] = MirroredTable();
    for (std::size_t k = 1; k < 8; ++k) {
        for (std::size_t i = 0; i < 256; ++i) {
            const std::uint64_t c = tables[k - 1][i];
            tables[k][i] = (c >> 8) ^ tables[0][c & 0xFF];
        }
    }
    return tables;
}

// Offsets visited for a block of 1..8 bytes.
constexpr std::uint8_t kOrder[9][8] = {
    {}, {0}, {0, 1}, {0, 1, 2}, {2, 3, 0, 1}, {2, 3, 0, 1, 4}, {2, 3, 0, 1, 4, 5}, {2, 3, 0, 1, 4, 5, 6},
    {6, 7, 4, 5, 2, 3, 0, 1},
};

template <typename Step>
std::uint64_t Run(std::uint64_t crc, std::string_view data, Step step) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(data.data());
    std::size_t n = data.size();
    while (n != 0) {
        std::size_t block = n >= 8 ? 8 : n;
        for (std::size_t i = 0; i < block; ++i) crc = step(crc, p[kOrder[block][i]]);
        p += block;
        n -= block;
    }
    return crc;
}

}  // namespace

std::uint64_t Crc64Normal(std::uint64_t seed, std::string_view data) {
    static const auto table = NormalTable();
    return ~Run(seed, data, [](std::uint64_t crc, std::uint8_t b) { return table[(b ^ (crc >> 56)) & 0xFF] ^ (crc << 8); });
}

std::uint64_t Crc64Mirrored(std::uint64_t seed, std::string_view data) {
    static const auto tables = MirroredTables();
    const auto& table = tables[0];
    std::uint64_t crc = seed;
    const std::size_t whole = data.size() & ~std::size_t{7};
    for (std::size_t at = 0; at < whole; at += 8) {
        // A block is visited 6 7 4 5 2 3 0 1: its 16-bit pieces last to first,
        // which puts the byte visited first lowest.
        const std::uint64_t v = ReadLittleEndian<std::uint64_t>(data.data() + at);
        const std::uint64_t x =
            crc ^ ((v >> 48) | ((v >> 16) & 0xFFFF0000ULL) | ((v << 16) & 0xFFFF00000000ULL) | (v << 48));
        crc = tables[7][x & 0xFF] ^ tables[6][(x >> 8) & 0xFF] ^ tables[5][(x >> 16) & 0xFF] ^
              tables[4][(x >> 24) & 0xFF] ^ tables[3][(x >> 32) & 0xFF] ^ tables[2][(x >> 40) & 0xFF] ^
              tables[1][(x >> 48) & 0xFF] ^ tables[0][x >> 56];
    }
    return Run(crc, data.substr(whole),
               [&table](std::uint64_t c, std::uint8_t b) { return table[(c ^ b) & 0xFF] ^ (c >> 8); });
}

std::uint64_t Crc64Seed1(std::uint64_t seed, std::uint64_t length) {
    seed = (seed + length) * 0x343FDULL + 0x269EC3ULL;
    seed |= seed * (0x343FDULL << 32) + (0x269EC3ULL << 32);
    return ~seed;
}

std::uint64_t Crc64Seed2(std::uint64_t seed, std::uint64_t length) {
    seed = (seed + length) * 0x343FDULL + 0x269EC3ULL;
    seed = seed * ((1ULL << 32) + 0x343FDULL) + (length + 0x269EC3ULL);
    return ~seed;
}

std::uint32_t PageChecksum2007(std::uint64_t seed, std::string_view data) {
    seed = (seed + data.size()) * 0x343FDULL + 0x269EC3ULL;
    std::uint32_t sum1 = static_cast<std::uint32_t>(seed & 0xFFFF);
    std::uint32_t sum2 = static_cast<std::uint32_t>((seed >> 16) & 0xFFFF);
    const auto* p = reinterpret_cast<const std::uint8_t*>(data.data());
    std::size_t n = data.size();
    while (n != 0) {
        // 0x15B0 bytes keep both sums inside 32 bits before the reduction.
        std::size_t chunk = n < 0x15B0 ? n : 0x15B0;
        n -= chunk;
        // Whole blocks at once (visited 6 7 4 5 2 3 0 1): each byte adds to
        // sum2 as often as the sums after it would have.
        for (; chunk >= 8; chunk -= 8, p += 8) {
            sum2 += 8 * sum1 + 8u * p[6] + 7u * p[7] + 6u * p[4] + 5u * p[5] + 4u * p[2] + 3u * p[3] + 2u * p[0] + p[1];
            sum1 += 0u + p[0] + p[1] + p[2] + p[3] + p[4] + p[5] + p[6] + p[7];
        }
        while (chunk != 0) {
            std::size_t block = chunk >= 8 ? 8 : chunk;
            for (std::size_t i = 0; i < block; ++i) {
                sum1 += p[kOrder[block][i]];
                sum2 += sum1;
            }
            p += block;
            chunk -= block;
        }
        sum1 %= 0xFFF1;
        sum2 %= 0xFFF1;
    }
    return (sum2 << 16) | (sum1 & 0xFFFF);
}

std::uint64_t RotateByControl(std::uint64_t value, std::uint64_t control) {
    unsigned shift = static_cast<unsigned>(control & 0x1F);
    return shift == 0 ? value : (value << shift) | (value >> (64 - shift));
}

HeaderCheckData MakeHeaderCheckData(std::uint64_t random1, std::uint64_t random2, std::uint64_t encodedSeed) {
    HeaderCheckData d;
    d.random1 = random1;
    d.random2 = random2;
    d.encodedSeed = encodedSeed;
    auto crcOf = [](const std::uint64_t (&values)[8], std::uint64_t seed, bool normal) {
        char bytes[64];
        for (std::size_t i = 0; i < 8; ++i) PutLittleEndian(bytes + 8 * i, values[i], 8);
        std::string_view v(bytes, sizeof bytes);
        return normal ? Crc64Normal(seed, v) : Crc64Mirrored(seed, v);
    };
    std::uint64_t b[8];
    b[0] = RotateByControl(random1, random2);
    b[1] = RotateByControl(b[0], b[0]);
    b[2] = RotateByControl(random2, b[1]);
    b[3] = RotateByControl(b[2], b[2]);
    b[4] = RotateByControl(random1, b[3]);
    b[5] = RotateByControl(b[4], b[4]);
    b[6] = RotateByControl(b[5], b[5]);
    b[7] = RotateByControl(b[6], b[6]);
    d.normalCrc = crcOf(b, ~random2, true);
    b[0] = RotateByControl(random1, random2);
    b[1] = RotateByControl(d.normalCrc, b[0]);
    b[2] = RotateByControl(random2, b[1]);
    b[3] = RotateByControl(d.normalCrc, b[2]);
    b[4] = RotateByControl(random1, b[3]);
    b[5] = RotateByControl(d.normalCrc, b[4]);
    b[6] = RotateByControl(random2, b[5]);
    b[7] = RotateByControl(b[6], b[6]);
    d.mirroredCrc = crcOf(b, ~random1, false);
    return d;
}

}  // namespace kel::dwg
