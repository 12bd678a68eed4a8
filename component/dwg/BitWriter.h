// Writes the bit codes of a DWG data stream, the mirror of BitReader. Numbers
// take the shortest form the format allows, so a value read and written again
// gives the same bits as the program that wrote the file would.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "component/dwg/DwgTypes.h"

namespace kel::dwg {

class BitWriter {
public:
    explicit BitWriter(Version version) : version_(version) {}

    Version GetVersion() const { return version_; }
    // False once a value could not be expressed (a text longer than a
    // bitshort can count, a 64-bit number the length code cannot cover).
    bool Ok() const { return ok_; }
    void Fail() { ok_ = false; }
    std::size_t BitPos() const { return bits_; }
    // The bytes written so far; a partial last byte is padded with zero bits.
    const std::string& Bytes() const { return bytes_; }

    void AlignToByte();
    // Overwrites 8 bits at an absolute bit position already written.
    void PatchRC(std::size_t bitPos, std::uint8_t value);

    // The low `count` bits of value, most significant first (count up to 32).
    void RawBits(std::uint32_t value, unsigned count) { Bits(value, count); }
    void B(std::uint8_t v);
    void BB(std::uint8_t v);
    void B3(std::uint8_t v);
    void BS(std::int16_t v);
    void BL(std::int32_t v);
    void BLL(std::uint64_t v);
    void BD(double v);
    void RC(std::uint8_t v);
    void RS(std::int16_t v);
    void RL(std::int32_t v);
    void RD(double v);
    void MC(std::int64_t v);
    void UMC(std::uint64_t v);
    void MS(std::uint32_t v);
    void H(const HandleRef& h);
    void T(const std::string& text);
    void TU(const std::u16string& text);
    void DD(double value, double defaultValue);
    void BE(const Point3& p);
    void BT(double v);
    void CMC(const Color& c);
    void ENC(const Color& c);
    void RD2(const Point2& p);
    void BD3(const Point3& p);
    void RawBytes(const std::string& bytes);
    // Appends every bit another writer holds.
    void Append(const BitWriter& other);

private:
    void Bits(std::uint32_t value, unsigned count);

    // n bytes, 8 bits each, wherever the stream stands.
    void WholeBytes(const char* bytes, std::size_t n);

    std::string bytes_;
    std::size_t bits_ = 0;
    Version version_;
    bool ok_ = true;
};

}  // namespace kel::dwg
