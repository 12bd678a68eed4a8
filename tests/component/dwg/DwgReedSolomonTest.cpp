// The Reed-Solomon codes of R2007 files: corpus pages are code words, encoding
// round trips, errors up to the limit corrected in every code word of a page,
// one more refused or at least never passed off as the original.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "component/dwg/DwgReedSolomon.h"
#include "tests/component/dwg/Dwg2007TestFiles.h"

namespace kel::dwg {
namespace {

using test::Random;

// Flips `count` distinct bytes (to a different value) of every code word of an interleaved page.
void Damage(std::string& page, std::size_t blocks, std::size_t count, std::mt19937& rng) {
    std::vector<std::size_t> positions(ReedSolomon::kCodeWord);
    for (std::size_t b = 0; b < blocks; ++b) {
        for (std::size_t i = 0; i < positions.size(); ++i) positions[i] = i;
        std::shuffle(positions.begin(), positions.end(), rng);
        // Always include the first and last byte of the word in one of the blocks.
        if (b == 0 && count >= 2) {
            std::iter_swap(positions.begin(), std::find(positions.begin(), positions.end(), 0));
            std::iter_swap(positions.begin() + 1,
                           std::find(positions.begin(), positions.end(), ReedSolomon::kCodeWord - 1));
        }
        std::uniform_int_distribution<int> flip(1, 255);
        for (std::size_t e = 0; e < count; ++e) page[positions[e] * blocks + b] ^= static_cast<char>(flip(rng));
    }
}

struct Code {
    const char* name;
    const ReedSolomon& code;
};

TEST(DwgReedSolomonTest, RoundTripsAndCorrectionAtTheLimit) {
    std::mt19937 rng(17);
    for (const Code& c : {Code{"data", ReedSolomon::DataPages()}, Code{"system", ReedSolomon::SystemPages()}}) {
        SCOPED_TRACE(c.name);
        const std::size_t t = c.code.Correctable();
        for (std::size_t blocks : {1, 3, 7, 64}) {
            const std::string data = Random(blocks * c.code.DataSize(), rng);
            const std::string page = RsEncodeInterleaved(c.code, data, blocks);
            ASSERT_EQ(page.size(), blocks * ReedSolomon::kCodeWord);
            std::string back;
            RsDecodeResult clean = RsDecodeInterleaved(c.code, page, blocks, back);
            EXPECT_TRUE(clean.Ok());
            EXPECT_EQ(clean.corrected, 0u);
            EXPECT_EQ(back, data);
            // Exactly the damaged word is found for correcting.
            std::vector<std::uint8_t> flags(blocks, 1);
            c.code.FindDamagedWords(reinterpret_cast<const std::uint8_t*>(page.data()), blocks, flags.data());
            EXPECT_EQ(std::count(flags.begin(), flags.end(), 0), static_cast<std::ptrdiff_t>(blocks));
            std::string oneWord = page;
            const std::size_t hit = blocks / 2;
            oneWord[(rng() % ReedSolomon::kCodeWord) * blocks + hit] ^= 0x5A;
            c.code.FindDamagedWords(reinterpret_cast<const std::uint8_t*>(oneWord.data()), blocks, flags.data());
            for (std::size_t b = 0; b < blocks; ++b) EXPECT_EQ(flags[b] != 0, b == hit) << b;
            for (std::size_t errors = 1; errors <= t; ++errors) {
                std::string damaged = page;
                Damage(damaged, blocks, errors, rng);
                RsDecodeResult r = RsDecodeInterleaved(c.code, damaged, blocks, back);
                EXPECT_TRUE(r.Ok()) << blocks << " blocks, " << errors << " errors each";
                EXPECT_EQ(r.corrected, errors * blocks);
                EXPECT_EQ(back, data);
            }
        }
    }
}

TEST(DwgReedSolomonTest, OneErrorTooManyIsNotPassedOffAsTheOriginal) {
    std::mt19937 rng(23);
    for (const Code& c : {Code{"data", ReedSolomon::DataPages()}, Code{"system", ReedSolomon::SystemPages()}}) {
        SCOPED_TRACE(c.name);
        const std::size_t t = c.code.Correctable();
        std::size_t refused = 0, trials = 300;
        for (std::size_t trial = 0; trial < trials; ++trial) {
            std::string word = Random(c.code.DataSize(), rng);
            word.resize(ReedSolomon::kCodeWord);
            c.code.Encode(reinterpret_cast<std::uint8_t*>(word.data()));
            std::string damaged = word;
            Damage(damaged, 1, t + 1, rng);
            std::string attempt = damaged;
            int fixed = c.code.Correct(reinterpret_cast<std::uint8_t*>(attempt.data()));
            if (fixed < 0) {
                ++refused;
                EXPECT_EQ(attempt, damaged);  // a refused word stays as it was
            } else {
                // Beyond the code's reach a word may sit closer to another code
                // word; what comes back is that code word, never the original.
                EXPECT_LE(static_cast<std::size_t>(fixed), t);
                EXPECT_TRUE(c.code.IsCodeWord(reinterpret_cast<const std::uint8_t*>(attempt.data())));
                EXPECT_NE(attempt, word);
            }
        }
        // With 16 parity bytes a 9-error word is practically always refused;
        // with 4 a good part of the 3-error words still is.
        EXPECT_GE(refused, t == 8 ? trials : trials / 4);
    }
    // A page shorter than its code words is refused whole.
    std::string data;
    EXPECT_EQ(RsDecodeInterleaved(ReedSolomon::DataPages(), std::string(254 * 2, 'a'), 2, data).uncorrectable, 2u);
}

TEST(DwgReedSolomonTest, CorpusPagesAreCodeWordsAndSurviveDamage) {
    KEL_NEED_CORPUS();
    std::mt19937 rng(29);
    for (const std::string& name : test::R2007CorpusFiles()) {
        SCOPED_TRACE(name);
        const std::string file = test::ReadCorpus(name);
        // The file header page: three interleaved system code words.
        std::string header = file.substr(0x80, 3 * ReedSolomon::kCodeWord), data;
        EXPECT_TRUE(RsDecodeInterleaved(ReedSolomon::SystemPages(), header, 3, data).Ok());
        const std::string plain = data;
        Damage(header, 3, 8, rng);
        RsDecodeResult r = RsDecodeInterleaved(ReedSolomon::SystemPages(), header, 3, data);
        EXPECT_TRUE(r.Ok());
        EXPECT_EQ(r.corrected, 24u);
        EXPECT_EQ(data, plain);
        // Every interleaved data page: decoding finds no error, two per word are repaired.
        test::R2007Walk walk;
        ASSERT_TRUE(test::WalkR2007(file, walk));
        for (const test::R2007Page& p : walk.pages) {
            if (p.encoding != 4) continue;
            const std::size_t blocks = RsBlocksFor(ReedSolomon::DataPages(), (p.compressedSize + 7) & ~7ULL);
            std::string stored(p.stored.substr(0, blocks * ReedSolomon::kCodeWord));
            EXPECT_EQ(RsDecodeInterleaved(ReedSolomon::DataPages(), stored, blocks, data).corrected, 0u);
            EXPECT_EQ(RsEncodeInterleaved(ReedSolomon::DataPages(), data, blocks), stored) << p.section;
            Damage(stored, blocks, 2, rng);
            EXPECT_TRUE(RsDecodeInterleaved(ReedSolomon::DataPages(), stored, blocks, data).Ok());
            EXPECT_EQ(data.substr(0, p.compressedSize), p.compressed);
        }
    }
}

}  // namespace
}  // namespace kel::dwg
