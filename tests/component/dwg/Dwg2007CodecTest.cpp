// The R2007 decompressor and compressor: hand-built streams for each opcode
// family, streams that must be refused, round trips at the limits of the
// format, and every compressed stream of the corpus R2007 drawings.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "component/dwg/Dwg2007Compress.h"
#include "component/dwg/Dwg2007Decompress.h"
#include "tests/component/dwg/Dwg2007TestFiles.h"

namespace kel::dwg {
namespace {

using test::Bytes;
using test::Random;

TEST(Dwg2007DecompressTest, HandBuiltStreams) {
    struct Case {
        const char* what;
        std::string stream, expected;
    };
    const std::string abc = "ABCDEFGH";  // an 8-byte block is stored in order
    const std::string lit8 = std::string(1, '\0') + abc;
    const Case cases[] = {
        {"empty", "", ""},
        {"8 literals", lit8, abc},
        {"2 literals are stored swapped", Bytes({0x20, 0, 0, 0x02}) + "BA", "AB"},
        {"3 literals reversed", Bytes({0x20, 9, 9, 0x03}) + "CBA", "ABC"},
        {"9 literals: last stored byte first", "\x01" + abc + "I", "I" + abc},
        // Smaller blocks inside a block are shuffled like blocks of their size.
        {"7 literals: a swapped pair, four, one", Bytes({0x20, 0, 0, 0x07}) + "ABCDEFG", "GFBCDEA"},
        {"18 literals: one, sixteen with swapped halves, one", "\x0A" + std::string("abcdefghijklmnopqr"),
         "rjklmnopqbcdefghia"},
        {"33 literals: one 32-byte block (halves swapped) and one byte",
         Bytes({0x0F, 0x0A}) + std::string(16, 'b') + std::string(16, 'a') + "c",
         std::string(16, 'a') + std::string(16, 'b') + "c"},
        // Short back reference: length op>>4, distance op&15 + 2*(next&0xF8) + 1.
        {"short match", lit8 + Bytes({0x34, 0x00}), abc + "DEF"},
        {"short match then 1 literal", lit8 + Bytes({0x37, 0x01}) + "Z", abc + "ABCZ"},
        {"overlapping match repeats", lit8 + Bytes({0xE0, 0x00}), abc + std::string(14, 'H')},
        // 0x1X: length op&15 + 3, distance byte + 32*(next&0xF8) + 1.
        {"medium match", lit8 + Bytes({0x12, 0x07, 0x00}), abc + "ABCDE"},
        // 0x2X: 16-bit distance, length from the low bits and the next byte.
        {"long-distance match", lit8 + Bytes({0x22, 0x08, 0x00, 0x08}), abc + "ABCDEFGHAB"},
        // 0xFX after a match: the long-length family (length op&15 + 19).
        {"long match", lit8 + Bytes({0x34, 0x00, 0xF0, 0x07, 0x00}),
         abc + "DEF" + "DEFGHDEFDEFGHDEFDEF"},
        {"literal after a match ends the match chain", lit8 + Bytes({0x34, 0x00, 0x00}) + "12345678",
         abc + "DEF12345678"},
    };
    for (const Case& c : cases) {
        std::string out, error;
        EXPECT_TRUE(Decompress2007(c.stream, 1000, out, error)) << c.what << ": " << error;
        EXPECT_EQ(out, c.expected) << c.what;
    }
}

TEST(Dwg2007DecompressTest, BadStreamsAreRefusedWithAReason) {
    const std::string abc = "ABCDEFGH";
    const std::string lit8 = std::string(1, '\0') + abc;
    struct Case {
        const char* what;
        std::string stream;
        std::size_t maxSize;
    };
    const Case cases[] = {
        {"literal past the input", "\x05" + abc, 100},
        {"literal length extension missing", "\x0F", 100},
        {"16-bit literal length extension cut", Bytes({0x0F, 0xFF, 0x01}), 100},
        {"huge literal length", Bytes({0x0F, 0xFF, 0xFF, 0xFF, 0x10, 0x00}) + abc, 1 << 20},
        {"literal past maxSize", lit8, 7},
        {"first opcode cut", Bytes({0x20, 0}), 100},
        {"match cut after its opcode", lit8 + "\x34", 100},
        {"medium match cut", lit8 + Bytes({0x12, 0x07}), 100},
        {"long-distance match cut", lit8 + Bytes({0x2A, 0x07, 0x00, 0x08}), 100},
        {"match before the output start", lit8 + Bytes({0x3F, 0x00}), 100},
        {"far match before the output start", lit8 + Bytes({0x22, 0xFF, 0xFF, 0x08}), 100},
        {"match past maxSize", lit8 + Bytes({0xE0, 0x00}), 20},
        {"literal after a match cut", lit8 + Bytes({0x37, 0x01}), 100},
    };
    for (const Case& c : cases) {
        std::string out, error;
        EXPECT_FALSE(Decompress2007(c.stream, c.maxSize, out, error)) << c.what;
        EXPECT_FALSE(error.empty()) << c.what;
        EXPECT_LE(out.size(), c.maxSize) << c.what;
    }
}

// Compresses, checks the stream decompresses to the input, and gives its size.
std::size_t RoundTrip(const std::string& in) {
    const std::string packed = Compress2007(in);
    std::string back, error;
    EXPECT_TRUE(Decompress2007(packed, in.size(), back, error)) << in.size() << " bytes: " << error;
    EXPECT_TRUE(back == in) << "input of " << in.size() << " bytes comes back as " << back.size();
    return packed.size();
}

TEST(Dwg2007CompressTest, BackReferencesAtTheLimitsOfEachForm) {
    // A random block of `distance` bytes, a copy `length` long from `distance`
    // back, then `literals` fresh bytes and a last copy so they sit between two matches.
    struct Case {
        std::size_t distance, length, literals;
    };
    const Case cases[] = {
        {1, 3, 0},          {0x200, 14, 1},      {0x200, 15, 7},     {0x201, 15, 8},      {0x200, 16, 0},
        {0x1000, 0x12, 2},  {0x1000, 0x13, 0},   {0x1000, 0x32, 23}, {0x1001, 0x32, 3},   {0x2000, 0x12, 0},
        {0x2001, 3, 4},     {0x1000, 0x33, 5},   {0xFFFF, 0xFF, 6},  {0xFFFF, 0x100, 0},  {0x8000, 0x101, 9},
        {0x40, 0x100 + 7 + (0xFF << 3) + (0x1F << 11), 0}, {2, 200000, 1}, {0x10000, 40, 0},
    };
    std::mt19937 rng(11);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.distance) + "/" + std::to_string(c.length) + "/" + std::to_string(c.literals));
        std::string in = Random(c.distance, rng);
        for (std::size_t i = 0; i < c.length; ++i) in += in[in.size() - c.distance];
        in += Random(c.literals, rng);
        in += in.substr(in.size() - c.distance, std::min<std::size_t>(c.distance, 20));
        const std::size_t size = RoundTrip(in);
        if (c.distance <= 0xFFFF) {
            EXPECT_LT(size, in.size() - c.length + 32);  // the copy took a few bytes
        }
    }
}

TEST(Dwg2007CompressTest, LiteralRunsEqualBytesMixedDataAndPageSizes) {
    std::mt19937 rng(5);
    EXPECT_EQ(Compress2007(""), "");
    // 1-7 bytes open with the short form, 8-22 with one opcode, then one
    // extra byte, then 16-bit words (0xFFFF continues).
    for (std::size_t n : {1, 2, 7, 8, 22, 23, 24, 0x17 + 0xFE, 0x17 + 0xFF, 0x17 + 0xFF + 1,
                          0x17 + 0xFF + 0xFFFE, 0x17 + 0xFF + 0xFFFF, 0x17 + 0xFF + 0xFFFF + 33}) {
        EXPECT_LE(RoundTrip(Random(n, rng)), n + 16 + n / 2000) << n;  // incompressible: little more than the bytes
    }
    for (std::size_t n : {1, 3, 4, 50, 51, 0x1000, 0xF7FF, 0xF800, 0xF801, 0x30000}) {
        EXPECT_LT(RoundTrip(std::string(n, '\x7F')), 40 + n / 30000) << n;
    }
    // Small alphabets give every mix of short and long matches and literal runs.
    for (int round = 0; round < 300; ++round) {
        std::uniform_int_distribution<std::size_t> size(0, round < 250 ? 3000 : 0xF900);
        const int alphabet = 2 + round % 7;
        RoundTrip(Random(size(rng), rng, alphabet));
    }
    // Text-like pages around the page size compress.
    std::string text;
    while (text.size() < 0xF900) text += "LINE " + std::to_string(text.size() % 977) + " ATTRIB TAG VALUE\n";
    for (std::size_t n : {0xF7FF, 0xF800, 0xF801}) EXPECT_LT(RoundTrip(text.substr(0, n)), n / 3) << n;
}

TEST(Dwg2007CompressTest, CutStreamsNeverOverrunTheOutput) {
    std::mt19937 rng(9);
    std::string in = Random(500, rng, 4) + std::string(300, 'x') + Random(300, rng);
    const std::string packed = Compress2007(in);
    std::string out, error;
    for (std::size_t n = 0; n < packed.size(); ++n) {
        bool ok = Decompress2007(std::string_view(packed).substr(0, n), in.size(), out, error);
        EXPECT_LE(out.size(), in.size());
        if (ok) {
            EXPECT_LT(out.size(), in.size()) << n;
        } else {
            EXPECT_FALSE(error.empty());
        }
    }
    EXPECT_FALSE(Decompress2007(packed, in.size() - 1, out, error));
}

TEST(Dwg2007CompressTest, EveryCorpusStreamDecompressesAndRecompresses) {
    KEL_NEED_CORPUS();
    std::size_t streams = 0;
    for (const std::string& name : test::R2007CorpusFiles()) {
        SCOPED_TRACE(name);
        const std::string file = test::ReadCorpus(name);
        test::R2007Walk walk;
        ASSERT_TRUE(test::WalkR2007(file, walk));  // the header page decompresses first
        EXPECT_EQ(test::U64(walk.header, 0x08), file.size());
        EXPECT_EQ(walk.pageMap.size(), test::U64(walk.header, 0x58));
        EXPECT_EQ(walk.sectionMap.size(), test::U64(walk.header, 0xC8));
        RoundTrip(walk.pageMap);
        RoundTrip(walk.sectionMap);
        for (const test::R2007Page& page : walk.pages) {
            SCOPED_TRACE(page.section);
            std::string out, error;
            if (page.compressedSize < page.uncompressedSize) {
                ASSERT_TRUE(Decompress2007(page.compressed, page.uncompressedSize, out, error)) << error;
                ASSERT_EQ(out.size(), page.uncompressedSize);
                const std::size_t again = RoundTrip(out);
                EXPECT_LE(again, page.compressedSize + page.compressedSize / 4 + 16);
                ++streams;
            }
        }
    }
    EXPECT_GT(streams, 50u);
}

}  // namespace
}  // namespace kel::dwg
