// Reads the bit codes of a DWG data stream, most significant bit of each byte
// first. Every read is bounds-checked: a read past the end returns zero, sets
// the stream as failed and leaves the position at the end, so that a damaged
// file can never make the reader touch memory outside its buffer. Callers check
// Ok() after a group of reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "component/dwg/DwgTypes.h"

namespace kel::dwg {

class BitReader {
public:
    // Reads the bytes [data, data + size); the view must outlive the reader.
    BitReader(std::string_view bytes, Version version);
    // A reader over a temporary string would outlive its bytes.
    BitReader(std::string&& bytes, Version version) = delete;

    Version GetVersion() const { return version_; }
    bool Ok() const { return ok_; }
    void Fail() { ok_ = false; pos_ = end_; }

    std::size_t BitPos() const { return pos_; }
    std::size_t BitEnd() const { return end_; }
    std::size_t RemainingBits() const { return end_ - pos_; }
    // Moves to an absolute bit position; a position past the end fails.
    void SetBitPos(std::size_t bit);
    // Narrows the readable part to end at a bit position (never widens it).
    void LimitTo(std::size_t bitEnd);
    // Skips to the next byte boundary.
    void AlignToByte();
    void SkipBytes(std::size_t n);

    // Up to 8 bits as a number, most significant first.
    std::uint8_t RawBits(unsigned count) { return count == 0 ? 0 : ReadBits(count); }

    // Raw and bit-coded values, named after the format's type codes.
    std::uint8_t B();
    std::uint8_t BB();
    std::uint8_t B3();
    std::int16_t BS();
    std::int32_t BL();
    // Three bits counting the bytes of the number that follow (the graphics
    // size of R2010 and later entities is written this way).
    std::uint64_t BLL();
    double BD();
    std::uint8_t RC();
    std::int16_t RS();
    std::int32_t RL();
    double RD();
    // Modular char: signed form (0x40 of the last byte negates) and the
    // unsigned form used for handle offsets.
    std::int64_t MC();
    std::uint64_t UMC();
    std::uint32_t MS();
    HandleRef H();
    // Bitshort length followed by that many bytes in the drawing's code page.
    std::string T();
    // Bitshort character count followed by UTF-16LE characters.
    std::u16string TU();
    // The same text as UTF-8 when every character is ASCII (true); otherwise
    // false with the position where it was, for TU to read.
    bool AsciiTU(std::string& out);
    double DD(double defaultValue);
    Point3 BE();
    double BT();
    // The colour form of the stream's version: BS index before R2004, CMC after.
    Color CMC();
    // The entity colour form: BS index before R2004, ENC after.
    Color ENC();
    Point2 RD2();
    Point3 BD3();
    std::string Bytes(std::size_t n);

private:
    bool Need(std::size_t bits);
    std::uint8_t ReadBits(unsigned count);  // 1..8 bits

    const std::uint8_t* data_;
    std::size_t end_;  // in bits
    std::size_t pos_ = 0;
    Version version_;
    bool ok_ = true;
};

}  // namespace kel::dwg
