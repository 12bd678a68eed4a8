// A quick test ahead of a lookup in a small set of handles (the objects a
// save changes, a few thousand of a drawing's tens of thousands): one bit per
// hashed handle, 8 KiB in all, so that most handles are turned away without
// a hash table probe. A set bit only says the handle may be in the set.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace kel::dwg {

class HandleFilter {
public:
    void Add(std::uint64_t handle) {
        const std::size_t b = Bit(handle);
        bits_[b / 64] |= std::uint64_t{1} << (b % 64);
    }
    bool MayHold(std::uint64_t handle) const {
        const std::size_t b = Bit(handle);
        return (bits_[b / 64] >> (b % 64)) & 1;
    }

private:
    static constexpr unsigned kBits = 16;
    static std::size_t Bit(std::uint64_t handle) {
        return static_cast<std::size_t>((handle * 0x9E3779B97F4A7C15ull) >> (64 - kBits));
    }
    std::array<std::uint64_t, (std::size_t{1} << kBits) / 64> bits_{};
};

}  // namespace kel::dwg
