#include "component/dwg/Dwg2007Random.h"

#include "component/ByteOrder.h"

namespace kel::dwg {
namespace {

// Where Encode puts each of the 10 bits: {value bit, mask in the low word,
// mask in the high word}.
struct BitPlace {
    std::uint32_t value, low, high;
};
constexpr BitPlace kPlaces[10] = {
    {0x200, 0x20, 0},      {0x100, 0x800, 0},   {0x80, 0x20000, 0},    {0x40, 0x800000, 0}, {0x20, 0x20000000, 0},
    {0x10, 0, 0x8},        {0x8, 0, 0x200},     {0x4, 0, 0x8000},      {0x2, 0, 0x200000},  {0x1, 0, 0x8000000},
};

}  // namespace

Dwg2007Random::Dwg2007Random(std::uint64_t seed) : seed_(seed) {
    table_[0] = static_cast<std::uint32_t>(seed) * 0x343FDu + 0x269EC3u;
    table_[1] = static_cast<std::uint32_t>(seed >> 32) * 0x343FDu + 0x269EC3u;
    std::uint32_t value = table_[1];
    for (std::uint32_t i = 2; i < kSize; ++i) {
        value = ((value >> 30) ^ value) * 0x6C078965u + i;
        table_[i] = value;
    }
    padding_.resize(0x80 * 4);
    for (std::size_t i = 0; i < 0x80; ++i) {
        if (index_ >= kSize) index_ = 0;
        PutLittleEndian(padding_.data() + 4 * i, table_[index_], 4);
        ++index_;
    }
}

std::uint64_t Dwg2007Random::Next() {
    index_ += 2;
    // Two words are read, so the index wraps before it reaches the last one.
    if (index_ + 1 >= kSize) index_ = 0;
    return table_[index_] | static_cast<std::uint64_t>(table_[index_ + 1]) << 32;
}

std::uint64_t Dwg2007Random::Encode(std::uint32_t value) {
    std::uint64_t random = Next();
    std::uint32_t low = static_cast<std::uint32_t>(random) & 0xDF7DF7DFu;
    std::uint32_t high = static_cast<std::uint32_t>(random >> 32) & 0xF7DF7DF7u;
    for (const BitPlace& p : kPlaces) {
        if (value & p.value) {
            low |= p.low;
            high |= p.high;
        }
    }
    return low | static_cast<std::uint64_t>(high) << 32;
}

std::uint32_t Dwg2007Random::Decode(std::uint64_t word) {
    std::uint32_t low = static_cast<std::uint32_t>(word), high = static_cast<std::uint32_t>(word >> 32);
    std::uint32_t value = 0;
    for (const BitPlace& p : kPlaces) {
        if ((low & p.low) || (high & p.high)) value |= p.value;
    }
    return value;
}

std::string Dwg2007Random::NextPadding(std::size_t count) {
    std::string out;
    out.reserve(count);
    while (out.size() < count) {
        out += padding_[paddingAt_];
        paddingAt_ = (paddingAt_ + 1) % padding_.size();
    }
    return out;
}

}  // namespace kel::dwg
