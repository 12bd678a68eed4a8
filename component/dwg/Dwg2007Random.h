// The pseudo random source of R2007 (AC1021) files: it fills padding and the
// check values of the file header, and hides 10-bit values (CRC seeds) in
// 64-bit words.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace kel::dwg {

class Dwg2007Random {
public:
    explicit Dwg2007Random(std::uint64_t seed);

    std::uint64_t Seed() const { return seed_; }
    // The next 64-bit value.
    std::uint64_t Next();
    // The low 10 bits of value spread over a fresh random word.
    std::uint64_t Encode(std::uint32_t value);
    // The 10 bits Encode hid in a word.
    static std::uint32_t Decode(std::uint64_t word);
    // The 512 padding bytes the source derives from its seed.
    const std::string& Padding() const { return padding_; }
    // `count` padding bytes, continuing where the last call stopped.
    std::string NextPadding(std::size_t count);

private:
    static constexpr std::size_t kSize = 0x270;
    std::uint64_t seed_;
    std::array<std::uint32_t, kSize> table_{};
    std::size_t index_ = 0;
    std::string padding_;
    std::size_t paddingAt_ = 0;
};

}  // namespace kel::dwg
