// The R2007 decompressor: hand-built streams for each opcode family, streams
// that must be refused, and the file header of every corpus R2007 drawing.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "component/ByteOrder.h"
#include "component/dwg/Dwg2007Decompress.h"
#include "tests/component/dwg/Dwg2007TestFiles.h"

namespace kel::dwg {
namespace {

std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) s += static_cast<char>(v);
    return s;
}

TEST(Dwg2007DecompressTest, LiteralBlockOrdersArePermutations) {
    for (std::size_t n = 1; n <= 32; ++n) {
        std::vector<std::uint8_t> order(Literal2007Order(n).begin(), Literal2007Order(n).begin() + n);
        std::sort(order.begin(), order.end());
        for (std::size_t i = 0; i < n; ++i) EXPECT_EQ(order[i], i) << "block of " << n;
    }
}

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

TEST(Dwg2007DecompressTest, CorpusFileHeaders) {
    KEL_NEED_CORPUS();
    for (const std::string& name : test::R2007CorpusFiles()) {
        SCOPED_TRACE(name);
        const std::string file = test::ReadCorpus(name);
        ASSERT_GE(file.size(), 0x480u);
        const std::string data = test::HeaderPageData(file);
        const auto compressed = ReadLittleEndian<std::int32_t>(data, 0x18);
        ASSERT_GT(compressed, 0);
        std::string header, error;
        ASSERT_TRUE(Decompress2007(std::string_view(data).substr(0x20, compressed), 0x110, header, error)) << error;
        ASSERT_EQ(header.size(), 0x110u);
        EXPECT_EQ(ReadLittleEndian<std::uint64_t>(header, 0x00), 0x70u);
        EXPECT_EQ(ReadLittleEndian<std::uint64_t>(header, 0x08), file.size());
        EXPECT_EQ(ReadLittleEndian<std::uint64_t>(header, 0xE8), 0x60100u);
    }
}

}  // namespace
}  // namespace kel::dwg
