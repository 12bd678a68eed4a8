#include "component/dwg/DwgReedSolomon.h"

#include <algorithm>

namespace kel::dwg {

ReedSolomon::ReedSolomon(unsigned primitivePolynomial, std::size_t paritySize) : parity_(paritySize) {
    unsigned x = 1;
    for (int i = 0; i < 255; ++i) {
        exp_[i] = static_cast<std::uint8_t>(x);
        log_[x] = i;
        x <<= 1;
        if (x & 0x100) x ^= primitivePolynomial;
    }
    for (int i = 255; i < 512; ++i) exp_[i] = exp_[i - 255];
    log_[0] = -1;
    // (x + a^1)...(x + a^parity), built one factor at a time.
    generator_.assign(1, 1);
    for (std::size_t i = 1; i <= parity_; ++i) {
        std::vector<std::uint8_t> next(generator_.size() + 1, 0);
        std::uint8_t root = Pow(static_cast<int>(i));
        for (std::size_t j = 0; j < generator_.size(); ++j) {
            next[j + 1] ^= generator_[j];
            next[j] ^= Mul(generator_[j], root);
        }
        generator_ = std::move(next);
    }
    rootTimes_.resize(parity_);
    for (std::size_t j = 0; j < parity_; ++j) {
        const std::uint8_t root = Pow(static_cast<int>(j + 1));
        for (unsigned v = 0; v < 256; ++v) rootTimes_[j][v] = Mul(static_cast<std::uint8_t>(v), root);
    }
    generatorTimes_.resize(generator_.size());
    for (std::size_t j = 0; j < generator_.size(); ++j) {
        for (unsigned v = 0; v < 256; ++v) generatorTimes_[j][v] = Mul(static_cast<std::uint8_t>(v), generator_[j]);
    }
    if (parity_ == 4) {
        for (unsigned v = 0; v < 256; ++v) {
            for (std::size_t j = 0; j < 4; ++j) generatorTimesPacked_[v] |= std::uint32_t{generatorTimes_[j][v]} << (8 * j);
        }
    }
}

const ReedSolomon& ReedSolomon::DataPages() {
    static const ReedSolomon code(0x11D, 4);
    return code;
}

const ReedSolomon& ReedSolomon::SystemPages() {
    static const ReedSolomon code(0x169, 16);
    return code;
}

std::uint8_t ReedSolomon::Mul(std::uint8_t a, std::uint8_t b) const {
    return (a == 0 || b == 0) ? 0 : exp_[log_[a] + log_[b]];
}

std::uint8_t ReedSolomon::Div(std::uint8_t a, std::uint8_t b) const {
    return a == 0 ? 0 : exp_[log_[a] + 255 - log_[b]];
}

void ReedSolomon::Encode(std::uint8_t* codeWord) const {
    // The parity is D(x) * x^parity mod g(x): since g divides x^255 - 1 that
    // remainder placed at x^k makes the whole word a multiple of g.
    const std::size_t k = DataSize();
    std::vector<std::uint8_t> reg(parity_, 0);
    for (std::size_t i = k; i-- > 0;) {
        std::uint8_t feedback = codeWord[i] ^ reg[parity_ - 1];
        for (std::size_t j = parity_ - 1; j > 0; --j) reg[j] = reg[j - 1] ^ generatorTimes_[j][feedback];
        reg[0] = generatorTimes_[0][feedback];
    }
    for (std::size_t j = 0; j < parity_; ++j) codeWord[k + j] = reg[j];
}

void ReedSolomon::Syndromes(const std::uint8_t* codeWord, std::uint8_t* out) const {
    for (std::size_t j = 0; j < parity_; ++j) {
        const std::array<std::uint8_t, 256>& times = rootTimes_[j];
        std::uint8_t s = 0;
        for (std::size_t i = kCodeWord; i-- > 0;) s = times[s] ^ codeWord[i];
        out[j] = s;
    }
}

void ReedSolomon::FindDamagedWords(const std::uint8_t* page, std::size_t blocks, std::uint8_t* damaged) const {
    if (parity_ == 4) {
        // Data pages: a word is whole exactly when the generator divides it.
        // The remainder of each word, its four bytes in one register, is
        // taken as the encoder takes its parity: one lookup a byte.
        std::vector<std::uint32_t> remainder(blocks, 0);
        for (std::size_t i = kCodeWord; i-- > 0;) {
            const std::uint8_t* row = page + i * blocks;
            for (std::size_t b = 0; b < blocks; ++b) {
                const std::uint32_t r = remainder[b];
                remainder[b] = (r << 8) ^ generatorTimesPacked_[row[b] ^ (r >> 24)];
            }
        }
        for (std::size_t b = 0; b < blocks; ++b) damaged[b] = remainder[b] != 0;
        return;
    }
    std::vector<std::uint8_t> s(blocks * parity_, 0);
    for (std::size_t i = kCodeWord; i-- > 0;) {
        const std::uint8_t* row = page + i * blocks;
        for (std::size_t b = 0; b < blocks; ++b) {
            std::uint8_t* word = s.data() + parity_ * b;
            for (std::size_t j = 0; j < parity_; ++j) word[j] = rootTimes_[j][word[j]] ^ row[b];
        }
    }
    for (std::size_t b = 0; b < blocks; ++b) {
        const std::uint8_t* word = s.data() + parity_ * b;
        damaged[b] = std::any_of(word, word + parity_, [](std::uint8_t v) { return v != 0; });
    }
}

bool ReedSolomon::IsCodeWord(const std::uint8_t* codeWord) const {
    std::uint8_t s[32];
    Syndromes(codeWord, s);
    for (std::size_t j = 0; j < parity_; ++j) {
        if (s[j] != 0) return false;
    }
    return true;
}

int ReedSolomon::Correct(std::uint8_t* codeWord) const {
    std::uint8_t s[32];
    Syndromes(codeWord, s);
    bool clean = true;
    for (std::size_t j = 0; j < parity_; ++j) clean = clean && s[j] == 0;
    if (clean) return 0;

    // Berlekamp-Massey: the shortest error locator that produces the syndromes.
    std::vector<std::uint8_t> locator(parity_ + 1, 0), previous(parity_ + 1, 0), saved;
    locator[0] = previous[0] = 1;
    std::size_t length = 0, shift = 1;
    std::uint8_t lastDiscrepancy = 1;
    for (std::size_t r = 0; r < parity_; ++r) {
        std::uint8_t d = s[r];
        for (std::size_t i = 1; i <= length; ++i) d ^= Mul(locator[i], s[r - i]);
        if (d == 0) {
            ++shift;
            continue;
        }
        std::uint8_t factor = Div(d, lastDiscrepancy);
        saved = locator;
        for (std::size_t i = 0; i + shift <= parity_; ++i) locator[i + shift] ^= Mul(factor, previous[i]);
        if (2 * length <= r) {
            length = r + 1 - length;
            previous = saved;
            lastDiscrepancy = d;
            shift = 1;
        } else {
            ++shift;
        }
    }
    if (length > Correctable()) return -1;

    // Chien search: position i is wrong where locator(a^-i) = 0.
    std::vector<std::size_t> positions;
    for (std::size_t i = 0; i < kCodeWord; ++i) {
        std::uint8_t x = Pow(-static_cast<int>(i)), value = 0;
        for (std::size_t j = length + 1; j-- > 0;) value = Mul(value, x) ^ locator[j];
        if (value == 0) positions.push_back(i);
    }
    if (positions.size() != length) return -1;

    // Forney: the error value at X = a^i is omega(X^-1) / locator'(X^-1),
    // omega = S(x) * locator(x) mod x^parity.
    std::vector<std::uint8_t> omega(parity_, 0);
    for (std::size_t i = 0; i < parity_; ++i) {
        for (std::size_t j = 0; j <= length && j <= i; ++j) omega[i] ^= Mul(s[i - j], locator[j]);
    }
    std::vector<std::uint8_t> fixes;
    for (std::size_t position : positions) {
        std::uint8_t xInverse = Pow(-static_cast<int>(position));
        std::uint8_t top = 0, bottom = 0;
        for (std::size_t j = parity_; j-- > 0;) top = Mul(top, xInverse) ^ omega[j];
        // The formal derivative keeps the odd terms: sum of locator[j] x^(j-1).
        for (std::size_t j = 1; j <= length; j += 2) {
            std::uint8_t term = locator[j];
            for (std::size_t p = 1; p < j; ++p) term = Mul(term, xInverse);
            bottom ^= term;
        }
        if (bottom == 0) return -1;
        fixes.push_back(Div(top, bottom));
    }
    std::vector<std::uint8_t> corrected(codeWord, codeWord + kCodeWord);
    for (std::size_t i = 0; i < positions.size(); ++i) corrected[positions[i]] ^= fixes[i];
    if (!IsCodeWord(corrected.data())) return -1;
    std::copy(corrected.begin(), corrected.end(), codeWord);
    return static_cast<int>(positions.size());
}

std::size_t RsBlocksFor(const ReedSolomon& code, std::size_t size) {
    return (size + code.DataSize() - 1) / code.DataSize();
}

std::string RsEncodeInterleaved(const ReedSolomon& code, std::string_view data, std::size_t blocks) {
    const std::size_t k = code.DataSize();
    std::string page(blocks * ReedSolomon::kCodeWord, '\0');
    std::uint8_t word[ReedSolomon::kCodeWord];
    for (std::size_t b = 0; b < blocks; ++b) {
        for (std::size_t j = 0; j < k; ++j) {
            std::size_t at = b * k + j;
            word[j] = at < data.size() ? static_cast<std::uint8_t>(data[at]) : 0;
        }
        code.Encode(word);
        for (std::size_t j = 0; j < ReedSolomon::kCodeWord; ++j) page[j * blocks + b] = static_cast<char>(word[j]);
    }
    return page;
}

RsDecodeResult RsDecodeInterleaved(const ReedSolomon& code, std::string_view page, std::size_t blocks,
                                   std::string& data) {
    RsDecodeResult result;
    const std::size_t k = code.DataSize();
    data.assign(blocks * k, '\0');
    if (page.size() / ReedSolomon::kCodeWord < blocks) {
        result.uncorrectable = blocks;
        return result;
    }
    const auto* coded = reinterpret_cast<const std::uint8_t*>(page.data());
    // Every word checked in one pass over the page; only a word with a
    // detectable error is gathered and corrected on its own.
    std::vector<std::uint8_t> damaged(blocks);
    code.FindDamagedWords(coded, blocks, damaged.data());
    for (std::size_t j = 0; j < k; ++j) {
        const std::uint8_t* row = coded + j * blocks;
        for (std::size_t b = 0; b < blocks; ++b) data[b * k + j] = static_cast<char>(row[b]);
    }
    std::uint8_t word[ReedSolomon::kCodeWord];
    for (std::size_t b = 0; b < blocks; ++b) {
        if (!damaged[b]) continue;
        for (std::size_t j = 0; j < ReedSolomon::kCodeWord; ++j) word[j] = coded[j * blocks + b];
        const int fixed = code.Correct(word);
        if (fixed < 0) {
            ++result.uncorrectable;
            continue;  // the word's data stays as stored
        }
        result.corrected += static_cast<std::size_t>(fixed);
        for (std::size_t j = 0; j < k; ++j) data[b * k + j] = static_cast<char>(word[j]);
    }
    return result;
}

}  // namespace kel::dwg
