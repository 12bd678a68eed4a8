// The R2004 container: decompression and damage reported instead of crashing.
// The CRC, the page checksums and the header mask are checked on every corpus
// file the reader opens (DwgFileTest).
#include <gtest/gtest.h>

#include "component/dwg/DwgDecompress.h"
#include "component/dwg/DwgR2004File.h"
#include "tests/component/dwg/DwgTestFiles.h"

namespace kel::dwg {
namespace {

using test::Bytes;

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
