// The 64-bit CRCs, seeds and random source of R2007 files, checked against
// the values corpus files store.
#include <gtest/gtest.h>

#include <set>

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

}  // namespace
}  // namespace kel::dwg
