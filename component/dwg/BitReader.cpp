#include "component/dwg/BitReader.h"

#include <cstring>

#include "component/ByteOrder.h"

namespace kel::dwg {
namespace {

// Byte k of a stream that starts `shift` bits into p[0] (p[k + 1] must exist
// when shift is not 0).
unsigned ShiftedByte(const std::uint8_t* p, unsigned shift, std::size_t k) {
    return shift == 0 ? p[k] : ((static_cast<unsigned>(p[k]) << shift) | (p[k + 1] >> (8 - shift))) & 0xFFu;
}

}  // namespace

BitReader::BitReader(std::string_view bytes, Version version)
    : data_(reinterpret_cast<const std::uint8_t*>(bytes.data())), end_(bytes.size() * 8), version_(version) {}

bool BitReader::Need(std::size_t bits) {
    if (!ok_ || bits > end_ - pos_) {
        Fail();
        return false;
    }
    return true;
}

void BitReader::SetBitPos(std::size_t bit) {
    if (bit > end_) {
        Fail();
        return;
    }
    pos_ = bit;
}

void BitReader::LimitTo(std::size_t bitEnd) {
    if (bitEnd < end_) end_ = bitEnd;
    if (pos_ > end_) Fail();
}

void BitReader::AlignToByte() {
    std::size_t aligned = (pos_ + 7) & ~static_cast<std::size_t>(7);
    if (aligned > end_) {
        Fail();
        return;
    }
    pos_ = aligned;
}

void BitReader::SkipBytes(std::size_t n) {
    if (n > (end_ - pos_) / 8) {
        Fail();
        return;
    }
    pos_ += n * 8;
}

std::uint8_t BitReader::ReadBits(unsigned count) {
    if (!Need(count)) return 0;
    // The bits lie in this byte and, when they cross its end, the next one
    // (which Need has shown to exist).
    const std::size_t byte = pos_ >> 3;
    const unsigned shift = static_cast<unsigned>(pos_ & 7);
    unsigned word = static_cast<unsigned>(data_[byte]) << 8;
    if (shift + count > 8) word |= data_[byte + 1];
    pos_ += count;
    return static_cast<std::uint8_t>((word >> (16 - shift - count)) & ((1u << count) - 1));
}

std::uint8_t BitReader::B() { return ReadBits(1); }
std::uint8_t BitReader::BB() { return ReadBits(2); }

std::uint8_t BitReader::B3() {
    std::uint8_t value = 0;
    for (int i = 0; i < 3; ++i) {
        std::uint8_t bit = B();
        value = static_cast<std::uint8_t>((value << 1) | bit);
        if (bit == 0) break;
    }
    return value;
}

std::uint8_t BitReader::RC() {
    if (!Need(8)) return 0;
    if ((pos_ & 7) == 0) {
        std::uint8_t v = data_[pos_ >> 3];
        pos_ += 8;
        return v;
    }
    return ReadBits(8);
}

std::int16_t BitReader::RS() {
    std::uint16_t lo = RC();
    std::uint16_t hi = RC();
    return static_cast<std::int16_t>(lo | (hi << 8));
}

std::int32_t BitReader::RL() {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(RC()) << (8 * i);
    return static_cast<std::int32_t>(v);
}

double BitReader::RD() {
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits |= static_cast<std::uint64_t>(RC()) << (8 * i);
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

std::int16_t BitReader::BS() {
    switch (BB()) {
        case 0: return RS();
        case 1: return RC();
        case 2: return 0;
        default: return 256;
    }
}

std::int32_t BitReader::BL() {
    switch (BB()) {
        case 0: return RL();
        case 1: return RC();
        case 2: return 0;
        default:  // not used by the format: a damaged stream
            Fail();
            return 0;
    }
}

std::uint64_t BitReader::BLL() {
    unsigned length = ReadBits(3);
    std::uint64_t v = 0;
    for (unsigned i = 0; i < length; ++i) v |= static_cast<std::uint64_t>(RC()) << (8 * i);
    return v;
}

double BitReader::BD() {
    switch (BB()) {
        case 0: return RD();
        case 1: return 1.0;
        case 2: return 0.0;
        default:
            Fail();
            return 0.0;
    }
}

std::uint64_t BitReader::UMC() {
    std::uint64_t value = 0;
    for (unsigned shift = 0; shift < 64; shift += 7) {
        std::uint8_t b = RC();
        if (!ok_) return 0;
        value |= static_cast<std::uint64_t>(b & 0x7F) << shift;
        if ((b & 0x80) == 0) return value;
    }
    Fail();  // more than ten bytes: not a number this format writes
    return 0;
}

std::int64_t BitReader::MC() {
    std::uint64_t value = 0;
    for (unsigned shift = 0; shift < 63; shift += 7) {
        std::uint8_t b = RC();
        if (!ok_) return 0;
        if ((b & 0x80) == 0) {
            bool negative = (b & 0x40) != 0;
            value |= static_cast<std::uint64_t>(b & 0x3F) << shift;
            std::int64_t v = static_cast<std::int64_t>(value);
            return negative ? -v : v;
        }
        value |= static_cast<std::uint64_t>(b & 0x7F) << shift;
    }
    Fail();
    return 0;
}

std::uint32_t BitReader::MS() {
    std::uint64_t value = 0;
    for (unsigned shift = 0; shift < 32; shift += 15) {
        std::uint16_t w = static_cast<std::uint16_t>(RS());
        if (!ok_) return 0;
        value |= static_cast<std::uint64_t>(w & 0x7FFF) << shift;
        if ((w & 0x8000) == 0) {
            if (value > 0xFFFFFFFFu) break;
            return static_cast<std::uint32_t>(value);
        }
    }
    Fail();
    return 0;
}

HandleRef BitReader::H() {
    HandleRef h;
    std::uint8_t codeCounter = RC();
    h.code = codeCounter >> 4;
    unsigned counter = codeCounter & 0x0F;
    if (counter > 8) {
        Fail();
        return {};
    }
    for (unsigned i = 0; i < counter; ++i) h.value = (h.value << 8) | RC();
    if (!ok_) return {};
    return h;
}

std::string BitReader::Bytes(std::size_t n) {
    if (n > RemainingBits() / 8) {
        Fail();
        return {};
    }
    std::string out(n, '\0');
    const std::uint8_t* from = data_ + (pos_ >> 3);
    const unsigned shift = static_cast<unsigned>(pos_ & 7);
    if (shift == 0) {
        std::memcpy(out.data(), from, n);
    } else {
        // Each byte is the rest of one stored byte and the start of the next.
        for (std::size_t i = 0; i < n; ++i) {
            out[i] = static_cast<char>((from[i] << shift) | (from[i + 1] >> (8 - shift)));
        }
    }
    pos_ += n * 8;
    return out;
}

std::string BitReader::T() {
    std::int16_t length = BS();
    if (length < 0) {
        Fail();
        return {};
    }
    return Bytes(static_cast<std::size_t>(length));
}

std::u16string BitReader::TU() {
    std::int16_t length = BS();
    if (length < 0 || static_cast<std::size_t>(length) > RemainingBits() / 16) {
        Fail();
        return {};
    }
    // The characters in one pass over the bytes they straddle (low byte
    // first); the last byte at an odd position exists, as the check above
    // shows.
    std::u16string out(static_cast<std::size_t>(length), u'\0');
    const std::uint8_t* p = data_ + (pos_ >> 3);
    const unsigned shift = static_cast<unsigned>(pos_ & 7);
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = static_cast<char16_t>(ShiftedByte(p, shift, 2 * i) | ShiftedByte(p, shift, 2 * i + 1) << 8);
    }
    pos_ += out.size() * 16;
    return out;
}

bool BitReader::AsciiTU(std::string& out) {
    const std::size_t start = pos_;
    const std::int16_t length = BS();
    if (!ok_ || length < 0 || static_cast<std::size_t>(length) > RemainingBits() / 16) {
        if (ok_) pos_ = start;
        return false;
    }
    const std::size_t n = static_cast<std::size_t>(length);
    const std::uint8_t* p = data_ + (pos_ >> 3);
    const unsigned shift = static_cast<unsigned>(pos_ & 7);
    out.resize(n);
    std::uint64_t high = 0;  // any bit a character has beyond ASCII
    std::size_t i = 0;
    // Four characters a step: the eight bytes they take, shifted into place,
    // as one number with the first byte on top.
    constexpr std::uint64_t kBeyondAscii = 0x80FF80FF80FF80FFull;
    char* to = out.data();
    for (; i + 4 <= n; i += 4) {
        const std::uint8_t* at = p + 2 * i;
        std::uint64_t eight = ReadBigEndian64(at);
        if (shift != 0) eight = eight << shift | at[8] >> (8 - shift);
        high |= eight & kBeyondAscii;
        to[i] = static_cast<char>(eight >> 56);
        to[i + 1] = static_cast<char>(eight >> 40);
        to[i + 2] = static_cast<char>(eight >> 24);
        to[i + 3] = static_cast<char>(eight >> 8);
    }
    for (; i < n; ++i) {
        const unsigned low = ShiftedByte(p, shift, 2 * i);
        high |= (low & 0x80u) | ShiftedByte(p, shift, 2 * i + 1);
        to[i] = static_cast<char>(low);
    }
    if (high != 0) {
        pos_ = start;
        return false;
    }
    pos_ += n * 16;
    return true;
}

double BitReader::DD(double defaultValue) {
    std::uint8_t bytes[8];
    std::memcpy(bytes, &defaultValue, 8);
    switch (BB()) {
        case 0: return defaultValue;
        case 1:
            for (int i = 0; i < 4; ++i) bytes[i] = RC();
            break;
        case 2:
            bytes[4] = RC();
            bytes[5] = RC();
            for (int i = 0; i < 4; ++i) bytes[i] = RC();
            break;
        default: return RD();
    }
    double d;
    std::memcpy(&d, bytes, 8);
    return d;
}

Point3 BitReader::BD3() {
    Point3 p;
    p.x = BD();
    p.y = BD();
    p.z = BD();
    return p;
}

Point2 BitReader::RD2() {
    Point2 p;
    p.x = RD();
    p.y = RD();
    return p;
}

Point3 BitReader::BE() {
    if (AtLeast(version_, Version::R2000) && B() == 1) return Point3{0.0, 0.0, 1.0};
    return BD3();
}

double BitReader::BT() {
    if (AtLeast(version_, Version::R2000) && B() == 1) return 0.0;
    return BD();
}

Color BitReader::CMC() {
    Color c;
    c.index = BS();
    if (!AtLeast(version_, Version::R2004)) return c;
    c.rgb = static_cast<std::uint32_t>(BL());
    c.flags = RC();
    if (c.flags & 1) c.names.Get().name = T();
    if (c.flags & 2) c.names.Get().book = T();
    return c;
}

Color BitReader::ENC() {
    Color c;
    std::uint16_t raw = static_cast<std::uint16_t>(BS());
    if (!AtLeast(version_, Version::R2004)) {
        c.index = static_cast<std::int16_t>(raw);
        return c;
    }
    c.flags = static_cast<std::uint8_t>(raw >> 8);
    c.index = static_cast<std::int16_t>(raw & 0x1FFF);
    // A colour from a colour book is a reference to its object (in the handle
    // stream); only a colour without one carries its RGB value here.
    c.hasBookHandle = (raw & 0x4000) != 0;
    if ((raw & 0x8000) && !c.hasBookHandle) c.rgb = static_cast<std::uint32_t>(BL());
    if (raw & 0x2000) {
        c.hasTransparency = true;
        c.transparency = static_cast<std::uint32_t>(BL());
    }
    return c;
}

}  // namespace kel::dwg
