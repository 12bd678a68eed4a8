// Little-endian numbers in file bytes, the one reader and writer of them for
// every drawing format.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace kel {

// The value of type T (an integer type or double) stored little-endian at p.
template <typename T>
T ReadLittleEndian(const void* p) {
    static_assert(sizeof(T) <= 8, "at most 8 bytes");
    if constexpr (std::endian::native == std::endian::little) {
        T out;  // the bytes as they are: one load
        std::memcpy(&out, p, sizeof(T));
        return out;
    }
    const auto* b = static_cast<const unsigned char*>(p);
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) v |= static_cast<std::uint64_t>(b[i]) << (8 * i);
    T out;
    if constexpr (sizeof(T) == 8) {
        std::memcpy(&out, &v, 8);
    } else {
        out = static_cast<T>(v);
    }
    return out;
}

// The 8 bytes at p as one number with the first byte on top (big-endian).
inline std::uint64_t ReadBigEndian64(const void* p) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap64(v);
    return v;
}

// The 4 bytes at p as one number with the first byte on top.
inline std::uint32_t ReadBigEndian32(const void* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap32(v);
    return v;
}

// The same at byte `at` of the text; the caller checks that the bytes are there.
template <typename T>
T ReadLittleEndian(std::string_view bytes, std::size_t at) {
    return ReadLittleEndian<T>(bytes.data() + at);
}

// Stores the low `count` bytes of v little-endian at p.
inline void PutLittleEndian(void* p, std::uint64_t v, std::size_t count) {
    auto* b = static_cast<unsigned char*>(p);
    for (std::size_t i = 0; i < count; ++i) b[i] = static_cast<unsigned char>(v >> (8 * i));
}

// Appends the low `count` bytes of v little-endian to out.
inline void AppendLittleEndian(std::string& out, std::uint64_t v, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) out += static_cast<char>(v >> (8 * i));
}

}  // namespace kel
