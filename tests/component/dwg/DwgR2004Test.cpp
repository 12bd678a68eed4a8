// The R2004 container: decompression, the 32-bit CRC and page checksum, the
// corpus files' sections, and damage reported instead of crashing.
#include <gtest/gtest.h>

#include <cstring>

#include "component/dwg/BitReader.h"
#include "component/dwg/DwgCrc.h"
#include "component/dwg/DwgDecompress.h"
#include "component/dwg/DwgFile.h"
#include "component/dwg/DwgR2004File.h"
#include "tests/component/dwg/DwgTestFiles.h"

namespace kel::dwg {
namespace {

std::string Bytes(std::initializer_list<int> v) {
    std::string s;
    for (int b : v) s += static_cast<char>(b);
    return s;
}

TEST(DwgR2004Test, DecompressesLiteralsAndBackReferences) {
    std::string out;
    // Literal length 0x05 means 8 bytes; then opcode 0x41 copies 3 bytes from
    // 1 back (overlapping) and brings 1 literal; 0x11 ends.
    ASSERT_TRUE(Decompress2004(Bytes({0x05, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 0x41, 0x00, 'Z', 0x11}), 100, out));
    EXPECT_EQ(out, "abcdefghhhhZ");
    // A long literal run: 0x00 0x02 is 0x0F + 2 + 3 = 20 bytes.
    std::string twenty(20, 'q');
    ASSERT_TRUE(Decompress2004(Bytes({0x00, 0x02}) + twenty + Bytes({0x11}), 100, out));
    EXPECT_EQ(out, twenty);
    // Opcode 0x22: 4 bytes from an offset given in two bytes, then 2 literals.
    ASSERT_TRUE(Decompress2004(Bytes({0x01, 'w', 'x', 'y', 'z', 0x22, (3 << 2) | 2, 0x00, '1', '2', 0x11}), 100, out));
    EXPECT_EQ(out, "wxyzwxyz12");
}

TEST(DwgR2004Test, DamagedStreamsFailInsteadOfOverrunning) {
    std::string out;
    EXPECT_FALSE(Decompress2004(Bytes({0x05, 'a', 'b'}), 100, out));                 // literals cut short
    EXPECT_FALSE(Decompress2004(Bytes({0x01, 'a', 'b', 'c', 'd', 0xF1, 0xFF, 0x11}), 100, out));  // too far back
    EXPECT_FALSE(Decompress2004(Bytes({0x01, 'a', 'b', 'c', 'd', 0x05}), 100, out));  // no valid opcode
    EXPECT_FALSE(Decompress2004(Bytes({0x05, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 0x11}), 4, out));  // too long
    EXPECT_FALSE(Decompress2004(Bytes({0x01, 'a', 'b', 'c', 'd'}), 100, out));       // no end marker
    EXPECT_FALSE(Decompress2004(std::string(5000, '\0'), 1 << 20, out));               // an endless run
}

TEST(DwgR2004Test, CrcAndChecksumMatchTheirDefinitions) {
    const std::string digits = "123456789";
    EXPECT_EQ(Crc32(0, digits.data(), digits.size()), 0xCBF43926u);
    EXPECT_EQ(PageChecksum(0, "abc", 3), (586u << 16) | 294u);  // running sums 294 and 97+195+294
    std::string big(0x15B0 * 3 + 7, '\xFF');  // sums are reduced every 0x15B0 bytes
    std::uint32_t whole = PageChecksum(0, big.data(), big.size());
    EXPECT_LT(whole & 0xFFFF, 0xFFF1u);
    EXPECT_LT(whole >> 16, 0xFFF1u);
    std::uint8_t mask[0x6C];
    R2004HeaderMask(mask);
    EXPECT_EQ(mask[0], 0x29);
    EXPECT_EQ(mask[1], 0x23);
    EXPECT_EQ(mask[0x5B], 0xB7);  // the last of the bytes the documentation lists
}

TEST(DwgR2004Test, CorpusFilesYieldTheirSectionsWithEveryObjectIntact) {
    KEL_NEED_CORPUS();
    for (const char* name : {"dwg/AC1018_R2004/acadsharp__sample_AC1018.dwg", "dwg/AC1018_R2004/libredwg__example_2004.dwg"}) {
        SCOPED_TRACE(name);
        std::string bytes = test::ReadCorpus(name);
        R2004File f;
        std::string why;
        ASSERT_TRUE(f.Parse(bytes, why)) << why;
        EXPECT_EQ(f.codePage, 30);
        const R2004Section* header = f.Find("AcDb:Header");
        const R2004Section* classes = f.Find("AcDb:Classes");
        const R2004Section* handles = f.Find("AcDb:Handles");
        const R2004Section* objects = f.Find("AcDb:AcDbObjects");
        ASSERT_TRUE(header && classes && handles && objects);
        ASSERT_GE(header->data.size(), 16u);
        EXPECT_EQ(std::memcmp(header->data.data(), kHeaderBeginSentinel, 16), 0);
        EXPECT_EQ(std::memcmp(classes->data.data(), kClassesBeginSentinel, 16), 0);
        // The handles section maps every object into the objects section, each with its CRC intact.
        DwgFile file;
        ASSERT_TRUE(file.Parse(bytes, why)) << why;
        EXPECT_EQ(file.objectSection, objects->data);
        EXPECT_GT(file.objectMap.size(), 700u);
        for (const ObjectLocation& loc : file.objectMap) {
            BitReader o(std::string_view(objects->data).substr(static_cast<std::size_t>(loc.offset)), Version::R2004);
            const std::size_t size = o.MS(), end = static_cast<std::size_t>(loc.offset) + o.BitPos() / 8 + size;
            ASSERT_LE(end + 2, objects->data.size());
            EXPECT_EQ(Crc16(kCrcSeed, objects->data.data() + loc.offset, end - loc.offset),
                      static_cast<std::uint8_t>(objects->data[end]) | static_cast<std::uint8_t>(objects->data[end + 1]) << 8);
        }
    }
}

TEST(DwgR2004Test, DamageIsReportedNeverCrashes) {
    KEL_NEED_CORPUS();
    const std::string good = test::ReadCorpus("dwg/AC1018_R2004/acadsharp__sample_AC1018.dwg");
    std::string why;
    std::string bad = good;
    bad[0x80 + 0x30] ^= 0x01;  // inside the encrypted header
    EXPECT_FALSE(R2004File().Parse(bad, why));
    EXPECT_EQ(why, "file header CRC mismatch");
    bad = good;
    bad[0x100 + 0x40] ^= 0x01;  // inside the first data page
    EXPECT_FALSE(R2004File().Parse(bad, why));
    EXPECT_NE(why.find("checksum mismatch"), std::string::npos) << why;
    EXPECT_FALSE(R2004File().Parse(good.substr(0, good.size() / 2), why));
    // Random damage of R2004 files is in DwgFileTest.RandomDamageNeverCrashes.
}

}  // namespace
}  // namespace kel::dwg
