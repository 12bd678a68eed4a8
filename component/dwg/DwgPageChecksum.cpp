// The checksum of R2004 section pages (declared in DwgCrc.h). This file is
// compiled at -O3, where the compiler adds the independent sums side by side.
#include <cstdint>

#include "component/dwg/DwgCrc.h"

namespace kel::dwg {

std::uint32_t PageChecksum(std::uint32_t seed, const void* data, std::size_t n) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    std::uint32_t sum1 = seed & 0xFFFF;
    std::uint32_t sum2 = seed >> 16;
    while (n != 0) {
        const std::size_t chunk = n < 0x15B0 ? n : 0x15B0;
        n -= chunk;
        // Whole blocks of kBlock bytes, each byte position j of a block on a
        // lane of its own (independent sums the compiler can add side by
        // side): lane[j] adds the bytes at j, before[j] adds lane[j] as it
        // stood before each block. Byte j of block k of K adds to sum2
        // kBlock * (K - 1 - k) + (kBlock - j) times: once for itself and
        // once for every byte after it.
        constexpr std::size_t kBlock = 32;
        const std::size_t blocks = chunk / kBlock;
        std::uint32_t lane[kBlock] = {}, before[kBlock] = {};
        for (std::size_t k = 0; k < blocks; ++k, p += kBlock) {
            for (std::size_t j = 0; j < kBlock; ++j) {
                before[j] += lane[j];
                lane[j] += p[j];
            }
        }
        std::uint64_t added1 = 0, added2 = 0;
        for (std::size_t j = 0; j < kBlock; ++j) {
            added1 += lane[j];
            added2 += kBlock * std::uint64_t{before[j]} + (kBlock - j) * std::uint64_t{lane[j]};
        }
        std::uint64_t s2 = sum2 + std::uint64_t{blocks * kBlock} * sum1 + added2;
        std::uint64_t s1 = sum1 + added1;
        for (std::size_t i = blocks * kBlock; i < chunk; ++i) {
            s1 += *p++;
            s2 += s1;
        }
        sum1 = static_cast<std::uint32_t>(s1 % 0xFFF1);
        sum2 = static_cast<std::uint32_t>(s2 % 0xFFF1);
    }
    return (sum2 << 16) | (sum1 & 0xFFFF);
}

}  // namespace kel::dwg
