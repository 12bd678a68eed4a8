// The journal's record of a saved drawing is read a piece at a time: the
// same size and hash as of the whole content, at every piece boundary.
#include <gtest/gtest.h>

#include "runs/RunJournal.h"
#include "tests/support/TempDir.h"

namespace kel {
namespace {

TEST(JournalHashTest, FileHashIsTheContentHashAcrossPieceBoundaries) {
    test::TempDir dir;
    constexpr std::size_t kPiece = std::size_t{1} << 20;
    for (std::size_t size : {std::size_t{0}, std::size_t{1}, kPiece - 1, kPiece, kPiece + 1, 3 * kPiece + 5}) {
        std::string content(size, '\0');
        for (std::size_t i = 0; i < size; ++i) content[i] = static_cast<char>((i * 131 + i / 7) & 0xFF);
        const std::string path = dir.Write("d" + std::to_string(size) + ".dxf", content);
        std::uint64_t gotSize = 99, gotHash = 0;
        EXPECT_TRUE(FileContentHash(path, gotSize, gotHash)) << size;
        EXPECT_EQ(gotSize, size);
        EXPECT_EQ(gotHash, ContentHash(content)) << size;
    }
    // Bytes that differ late in a long file give another hash.
    std::string a(kPiece + 10, 'x'), b = a;
    b[kPiece + 5] = 'y';
    std::uint64_t s = 0, ha = 0, hb = 0;
    ASSERT_TRUE(FileContentHash(dir.Write("a.dxf", a), s, ha));
    ASSERT_TRUE(FileContentHash(dir.Write("b.dxf", b), s, hb));
    EXPECT_NE(ha, hb);
    EXPECT_FALSE(FileContentHash(dir.File("missing.dxf"), s, ha));
}

}  // namespace
}  // namespace kel
