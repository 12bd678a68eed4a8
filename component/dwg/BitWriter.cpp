#include "component/dwg/BitWriter.h"

#include <cstring>

namespace kel::dwg {
namespace {

std::uint64_t DoubleBits(double v) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

}  // namespace

void BitWriter::Bits(std::uint32_t value, unsigned count) {
    if (count == 8 && (bits_ & 7) == 0) {  // a whole byte on a byte boundary
        bytes_.push_back(static_cast<char>(value));
        bits_ += 8;
        return;
    }
    // Most significant bit first, as many at a time as the last byte has room for.
    while (count > 0) {
        const unsigned used = static_cast<unsigned>(bits_ & 7);
        if (used == 0) bytes_.push_back('\0');
        const unsigned take = count < 8 - used ? count : 8 - used;
        const unsigned piece = (value >> (count - take)) & ((1u << take) - 1u);
        bytes_.back() = static_cast<char>(static_cast<std::uint8_t>(bytes_.back()) | (piece << (8 - used - take)));
        bits_ += take;
        count -= take;
    }
}

void BitWriter::AlignToByte() { bits_ = bytes_.size() * 8; }

void BitWriter::PatchRC(std::size_t bitPos, std::uint8_t value) {
    for (unsigned i = 0; i < 8; ++i) {
        std::size_t p = bitPos + i;
        if (p >= bits_) return;
        auto& byte = reinterpret_cast<std::uint8_t&>(bytes_[p >> 3]);
        std::uint8_t mask = static_cast<std::uint8_t>(0x80u >> (p & 7));
        if ((value >> (7 - i)) & 1u) {
            byte |= mask;
        } else {
            byte &= static_cast<std::uint8_t>(~mask);
        }
    }
}

void BitWriter::B(std::uint8_t v) { Bits(v & 1u, 1); }
void BitWriter::BB(std::uint8_t v) { Bits(v & 3u, 2); }

void BitWriter::B3(std::uint8_t v) {
    // 0 -> 0, 2 -> 10, 6 -> 110, 7 -> 111: ones then a terminating zero,
    // except after the third bit.
    if (v == 0) {
        Bits(0, 1);
    } else if (v == 2) {
        Bits(2, 2);
    } else if (v == 6) {
        Bits(6, 3);
    } else {
        Bits(7, 3);
    }
}

void BitWriter::RC(std::uint8_t v) { Bits(v, 8); }

void BitWriter::RS(std::int16_t v) {
    auto u = static_cast<std::uint16_t>(v);
    RC(static_cast<std::uint8_t>(u & 0xFF));
    RC(static_cast<std::uint8_t>(u >> 8));
}

void BitWriter::RL(std::int32_t v) {
    auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i) RC(static_cast<std::uint8_t>(u >> (8 * i)));
}

void BitWriter::RD(double v) {
    std::uint64_t bits = DoubleBits(v);
    for (int i = 0; i < 8; ++i) RC(static_cast<std::uint8_t>(bits >> (8 * i)));
}

void BitWriter::BS(std::int16_t v) {
    if (v == 0) {
        BB(2);
    } else if (v == 256) {
        BB(3);
    } else if (v > 0 && v < 256) {
        BB(1);
        RC(static_cast<std::uint8_t>(v));
    } else {
        BB(0);
        RS(v);
    }
}

void BitWriter::BL(std::int32_t v) {
    if (v == 0) {
        BB(2);
    } else if (v > 0 && v < 256) {
        BB(1);
        RC(static_cast<std::uint8_t>(v));
    } else {
        BB(0);
        RL(v);
    }
}

void BitWriter::BLL(std::uint64_t v) {
    // Three bits count the bytes that follow, so at most seven.
    unsigned length = 0;
    for (std::uint64_t t = v; t != 0; t >>= 8) ++length;
    if (length == 8) {
        ok_ = false;
        length = 7;
    }
    Bits(length, 3);
    for (unsigned i = 0; i < length; ++i) RC(static_cast<std::uint8_t>(v >> (8 * i)));
}

void BitWriter::BD(double v) {
    std::uint64_t bits = DoubleBits(v);
    if (bits == DoubleBits(1.0)) {
        BB(1);
    } else if (bits == DoubleBits(0.0)) {
        BB(2);
    } else {
        BB(0);
        RD(v);
    }
}

void BitWriter::UMC(std::uint64_t v) {
    do {
        std::uint8_t b = static_cast<std::uint8_t>(v & 0x7F);
        v >>= 7;
        if (v != 0) b |= 0x80;
        RC(b);
    } while (v != 0);
}

void BitWriter::MC(std::int64_t v) {
    bool negative = v < 0;
    std::uint64_t mag = negative ? static_cast<std::uint64_t>(-(v + 1)) + 1 : static_cast<std::uint64_t>(v);
    // Seven bits per byte, except that the last byte carries six bits and the sign.
    while (mag >= 0x40) {
        RC(static_cast<std::uint8_t>((mag & 0x7F) | 0x80));
        mag >>= 7;
    }
    RC(static_cast<std::uint8_t>(mag | (negative ? 0x40 : 0x00)));
}

void BitWriter::MS(std::uint32_t v) {
    do {
        std::uint16_t w = static_cast<std::uint16_t>(v & 0x7FFF);
        v >>= 15;
        if (v != 0) w |= 0x8000;
        RS(static_cast<std::int16_t>(w));
    } while (v != 0);
}

void BitWriter::H(const HandleRef& h) {
    unsigned counter = 0;
    for (std::uint64_t t = h.value; t != 0; t >>= 8) ++counter;
    RC(static_cast<std::uint8_t>((h.code << 4) | counter));
    for (unsigned i = counter; i-- > 0;) RC(static_cast<std::uint8_t>(h.value >> (8 * i)));
}

void BitWriter::RawBytes(const std::string& bytes) { WholeBytes(bytes.data(), bytes.size()); }

void BitWriter::WholeBytes(const char* bytes, std::size_t n) {
    if (bits_ == bytes_.size() * 8) {
        // On a byte boundary the bytes go over as they are.
        bytes_.append(bytes, n);
        bits_ += n * 8;
        return;
    }
    for (std::size_t k = 0; k < n; ++k) Bits(static_cast<std::uint8_t>(bytes[k]), 8);
}

void BitWriter::Append(const BitWriter& other) {
    const std::size_t whole = other.bits_ / 8;
    const unsigned rest = static_cast<unsigned>(other.bits_ & 7);
    const std::uint8_t last = rest ? static_cast<std::uint8_t>(other.bytes_[whole]) : 0;
    WholeBytes(other.bytes_.data(), whole);
    if (rest) Bits(last >> (8 - rest), rest);
    if (!other.ok_) ok_ = false;
}

void BitWriter::T(const std::string& text) {
    if (text.size() > 0x7FFF) ok_ = false;
    BS(static_cast<std::int16_t>(text.size()));
    RawBytes(text);
}

void BitWriter::TU(const std::u16string& text) {
    if (text.size() > 0x7FFF) ok_ = false;
    BS(static_cast<std::int16_t>(text.size()));
    for (char16_t c : text) RS(static_cast<std::int16_t>(c));
}

void BitWriter::DD(double value, double defaultValue) {
    std::uint8_t v[8];
    std::uint8_t d[8];
    std::memcpy(v, &value, 8);
    std::memcpy(d, &defaultValue, 8);
    if (std::memcmp(v, d, 8) == 0) {
        BB(0);
    } else if (std::memcmp(v + 4, d + 4, 4) == 0) {
        BB(1);
        for (int i = 0; i < 4; ++i) RC(v[i]);
    } else if (v[6] == d[6] && v[7] == d[7]) {
        BB(2);
        RC(v[4]);
        RC(v[5]);
        for (int i = 0; i < 4; ++i) RC(v[i]);
    } else {
        BB(3);
        RD(value);
    }
}

void BitWriter::BD3(const Point3& p) {
    BD(p.x);
    BD(p.y);
    BD(p.z);
}

void BitWriter::RD2(const Point2& p) {
    RD(p.x);
    RD(p.y);
}

void BitWriter::BE(const Point3& p) {
    if (AtLeast(version_, Version::R2000)) {
        bool isDefault = DoubleBits(p.x) == DoubleBits(0.0) && DoubleBits(p.y) == DoubleBits(0.0) &&
                         DoubleBits(p.z) == DoubleBits(1.0);
        B(isDefault ? 1 : 0);
        if (isDefault) return;
    }
    BD3(p);
}

void BitWriter::BT(double v) {
    if (AtLeast(version_, Version::R2000)) {
        bool isDefault = DoubleBits(v) == DoubleBits(0.0);
        B(isDefault ? 1 : 0);
        if (isDefault) return;
    }
    BD(v);
}

void BitWriter::CMC(const Color& c) {
    BS(c.index);
    if (!AtLeast(version_, Version::R2004)) return;
    BL(static_cast<std::int32_t>(c.rgb));
    const Color::Names& n = c.names.Get();
    std::uint8_t flags = static_cast<std::uint8_t>((n.name.empty() ? 0 : 1) | (n.book.empty() ? 0 : 2));
    RC(flags);
    if (flags & 1) T(n.name);
    if (flags & 2) T(n.book);
}

void BitWriter::ENC(const Color& c) {
    if (!AtLeast(version_, Version::R2004)) {
        BS(c.index);
        return;
    }
    std::uint16_t raw = static_cast<std::uint16_t>(c.index & 0x1FFF);
    if (c.rgb != 0 || c.hasBookHandle) raw |= 0x8000;
    if (c.hasBookHandle) raw |= 0x4000;
    if (c.hasTransparency) raw |= 0x2000;
    BS(static_cast<std::int16_t>(raw));
    if ((raw & 0x8000) && !c.hasBookHandle) BL(static_cast<std::int32_t>(c.rgb));
    if (raw & 0x2000) BL(static_cast<std::int32_t>(c.transparency));
}

}  // namespace kel::dwg
