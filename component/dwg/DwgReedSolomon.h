// The Reed-Solomon codes of R2007 (AC1021) files over GF(256): code words of
// 255 bytes, the data first and the parity after it, every code word a
// multiple of the generator (x + a)(x + a^2)...(x + a^2t) when byte i is the
// coefficient of x^i. Data pages use 4 parity bytes (corrects 2 bytes per code
// word), system pages and the file header 16 (corrects 8).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kel::dwg {

class ReedSolomon {
public:
    static constexpr std::size_t kCodeWord = 255;

    // The field's primitive polynomial (with its x^8 term) and the parity size.
    ReedSolomon(unsigned primitivePolynomial, std::size_t paritySize);

    // x^8 + x^4 + x^3 + x^2 + 1, 4 parity bytes.
    static const ReedSolomon& DataPages();
    // x^8 + x^6 + x^5 + x^3 + 1, 16 parity bytes.
    static const ReedSolomon& SystemPages();

    std::size_t DataSize() const { return kCodeWord - parity_; }
    std::size_t ParitySize() const { return parity_; }
    std::size_t Correctable() const { return parity_ / 2; }

    // Fills codeWord[DataSize()..254] from codeWord[0..DataSize()-1].
    void Encode(std::uint8_t* codeWord) const;
    // Corrects a code word in place: the number of bytes corrected, or -1
    // when it holds more errors than the code can locate (left unchanged).
    int Correct(std::uint8_t* codeWord) const;
    // True when the code word has no detectable error.
    bool IsCodeWord(const std::uint8_t* codeWord) const;
    // Marks in `damaged` (one flag a word) which of `blocks` interleaved code
    // words (byte j of word b at j * blocks + b) have a detectable error. The
    // page is read in order, and the words' sums are independent of one
    // another.
    void FindDamagedWords(const std::uint8_t* page, std::size_t blocks, std::uint8_t* damaged) const;

private:
    std::uint8_t Mul(std::uint8_t a, std::uint8_t b) const;
    std::uint8_t Div(std::uint8_t a, std::uint8_t b) const;
    std::uint8_t Pow(int exponent) const { return exp_[((exponent % 255) + 255) % 255]; }
    void Syndromes(const std::uint8_t* codeWord, std::uint8_t* out) const;

    std::size_t parity_;
    std::array<std::uint8_t, 512> exp_{};
    std::array<int, 256> log_{};
    std::vector<std::uint8_t> generator_;  // coefficient of x^i at i, monic
    // rootTimes_[j][v] = v * a^(j+1): the syndromes take one lookup a byte.
    std::vector<std::array<std::uint8_t, 256>> rootTimes_;
    // generatorTimes_[j][v] = v * generator_[j], for the encoder.
    std::vector<std::array<std::uint8_t, 256>> generatorTimes_;
    // With 4 parity bytes: generatorTimes_[0..3][v] packed into one word, low byte first.
    std::array<std::uint32_t, 256> generatorTimesPacked_{};
};

// The outcome of decoding the code words of a page.
struct RsDecodeResult {
    std::size_t corrected = 0;      // bytes corrected over all code words
    std::size_t uncorrectable = 0;  // code words with more errors than the code corrects
    bool Ok() const { return uncorrectable == 0; }
};

// Interleaved pages: byte j of code word b of `blocks` is at j * blocks + b.
// Encode takes exactly blocks * DataSize() bytes of data.
std::string RsEncodeInterleaved(const ReedSolomon& code, std::string_view data, std::size_t blocks);
// Decodes the first blocks * 255 bytes of `page` into the data of every code
// word, in order; a page shorter than that counts every code word as uncorrectable.
RsDecodeResult RsDecodeInterleaved(const ReedSolomon& code, std::string_view page, std::size_t blocks,
                                   std::string& data);

// Code words needed for `size` bytes of data.
std::size_t RsBlocksFor(const ReedSolomon& code, std::size_t size);

}  // namespace kel::dwg
