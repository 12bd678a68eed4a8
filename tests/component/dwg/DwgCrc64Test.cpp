// The 64-bit CRCs, seeds and random source of R2007 files, checked against
// the values corpus files store and against plain one-bit-at-a-time forms.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "component/ByteOrder.h"
#include "component/dwg/Dwg2007Random.h"
#include "component/dwg/DwgCrc64.h"
#include "tests/component/dwg/Dwg2007TestFiles.h"

namespace kel::dwg {
namespace {

TEST(DwgCrc64Test, RandomSourceHidesTenBits) {
    Dwg2007Random a(0x1234567890ABCDEFULL), b(0x1234567890ABCDEFULL), c(0x1234567890ABCDEEULL);
    std::set<std::uint64_t> words;
    for (std::uint32_t v = 0; v < 1024; ++v) {
        const std::uint64_t word = a.Encode(v);
        EXPECT_EQ(Dwg2007Random::Decode(word), v);
        EXPECT_EQ(b.Encode(v), word);  // the same seed gives the same words
        words.insert(word);
    }
    EXPECT_EQ(words.size(), 1024u);
    EXPECT_NE(Dwg2007Random(1).Next(), c.Next());
    EXPECT_EQ(Dwg2007Random::Decode(a.Encode(0x7FFF)), 0x3FFu);  // only the low 10 bits count
    // The table wraps after 0x270 words without reading past it.
    for (int i = 0; i < 2000; ++i) a.Next();
    EXPECT_EQ(a.Padding().size(), 512u);
    const std::string padding = a.NextPadding(600);
    EXPECT_EQ(padding.substr(0, 512), a.Padding());
    EXPECT_EQ(padding.substr(512), a.Padding().substr(0, 88));
}

TEST(DwgCrc64Test, CorpusHeadersMapsAndPagesCarryTheseChecks) {
    KEL_NEED_CORPUS();
    for (const std::string& name : test::R2007CorpusFiles()) {
        SCOPED_TRACE(name);
        const std::string file = test::ReadCorpus(name);
        const std::string page = test::HeaderPageData(file);
        const auto compressedSize = ReadLittleEndian<std::int32_t>(page, 0x18);
        ASSERT_GT(compressedSize, 0);
        const std::string_view compressed = std::string_view(page).substr(0x20, compressedSize);
        // The header page: the compressed header's CRC, the checking sequence's CRC.
        EXPECT_EQ(Crc64Normal(Crc64Seed2(0, compressed.size()), compressed), test::U64(page, 0x10));
        std::string sequence(16, '\0');
        const std::uint64_t key = test::U64(page, 0x08);
        PutLittleEndian(sequence.data(), key, 8);
        PutLittleEndian(sequence.data() + 8, RotateByControl(key, key), 8);
        EXPECT_EQ(Crc64Normal(Crc64Seed1(0, 16), sequence), test::U64(page, 0x00));
        // The check data ending the page.
        const std::string_view check = std::string_view(file).substr(0x80 + 0x3D8, 0x28);
        const HeaderCheckData data =
            MakeHeaderCheckData(test::U64(check, 0x10), test::U64(check, 0x18), test::U64(check, 0x20));
        EXPECT_EQ(data.normalCrc, test::U64(check, 0x00));
        EXPECT_EQ(data.mirroredCrc, test::U64(check, 0x08));
        EXPECT_EQ(Dwg2007Random::Decode(data.encodedSeed), 0u);

        test::R2007Walk walk;
        ASSERT_TRUE(test::WalkR2007(file, walk));
        const std::string& h = walk.header;
        EXPECT_EQ(Dwg2007Random::Decode(test::U64(h, 0xF8)), test::U64(h, 0xF0));
        // The page map's CRCs, over its data and over its stored (compressed) form.
        EXPECT_EQ(Crc64Mirrored(Crc64Seed1(0, walk.pageMap.size()), walk.pageMap), test::U64(h, 0x80));
        EXPECT_EQ(Crc64Mirrored(Crc64Seed1(0, walk.pageMapCompressed.size()), walk.pageMapCompressed),
                  test::U64(h, 0x10));
        EXPECT_EQ(Crc64Mirrored(Crc64Seed1(0, walk.sectionMap.size()), walk.sectionMap), test::U64(h, 0xA8));
        // Each data page's CRC and checksum: DwgR2007WriterTest reads them on every corpus file.
    }
}

// Plain references: one bit at a time for the CRC, one byte at a time for the
// checksum, both visiting each block of eight bytes 6 7 4 5 2 3 0 1.
std::vector<std::size_t> VisitOrder(std::size_t n) {
    static const std::vector<std::vector<std::size_t>> kRest = {
        {}, {0}, {0, 1}, {0, 1, 2}, {2, 3, 0, 1}, {2, 3, 0, 1, 4}, {2, 3, 0, 1, 4, 5}, {2, 3, 0, 1, 4, 5, 6}};
    std::vector<std::size_t> order;
    std::size_t at = 0;
    for (; at + 8 <= n; at += 8) {
        for (std::size_t i : {6, 7, 4, 5, 2, 3, 0, 1}) order.push_back(at + i);
    }
    for (std::size_t i : kRest[n - at]) order.push_back(at + i);
    return order;
}

std::uint64_t MirroredByBits(std::uint64_t crc, std::string_view data) {
    for (std::size_t i : VisitOrder(data.size())) {
        crc ^= static_cast<std::uint8_t>(data[i]);
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0x95AC9329AC4BC9B5ULL : crc >> 1;
    }
    return crc;
}

std::uint32_t ChecksumByBytes(std::uint64_t seed, std::string_view data) {
    seed = (seed + data.size()) * 0x343FDULL + 0x269EC3ULL;
    std::uint64_t sum1 = seed & 0xFFFF, sum2 = (seed >> 16) & 0xFFFF;
    const std::vector<std::size_t> order = VisitOrder(data.size());
    for (std::size_t k = 0; k < order.size(); ++k) {
        sum1 += static_cast<std::uint8_t>(data[order[k]]);
        sum2 += sum1;
        if ((k + 1) % 0x15B0 == 0 || k + 1 == order.size()) {
            sum1 %= 0xFFF1;
            sum2 %= 0xFFF1;
        }
    }
    return static_cast<std::uint32_t>((sum2 << 16) | (sum1 & 0xFFFF));
}

TEST(DwgCrc64Test, BlockwiseChecksMatchPlainReferences) {
    std::mt19937_64 random(7);
    std::string data(2 * 0x15B0 + 13, '\0');
    for (char& c : data) c = static_cast<char>(random());
    for (std::size_t n : {0, 1, 3, 4, 7, 8, 9, 15, 16, 17, 31, 0x15B0 - 1, 0x15B0, 0x15B0 + 5, 2 * 0x15B0 + 13}) {
        const std::string_view part = std::string_view(data).substr(0, n);
        const std::uint64_t seed = random();
        EXPECT_EQ(Crc64Mirrored(seed, part), MirroredByBits(seed, part)) << n;
        EXPECT_EQ(PageChecksum2007(seed, part), ChecksumByBytes(seed, part)) << n;
    }
}

}  // namespace
}  // namespace kel::dwg
