// The journal's hash of a saved drawing: the same for any cut of the bytes and
// for a file read a piece at a time, and different for any one changed byte.
#include <gtest/gtest.h>

#include "runs/ContentHash.h"
#include "tests/support/TempDir.h"

namespace kel {
namespace {

std::string Pattern(std::size_t size) {
    std::string content(size, '\0');
    for (std::size_t i = 0; i < size; ++i) content[i] = static_cast<char>((i * 131 + i / 7) & 0xFF);
    return content;
}

TEST(JournalHashTest, AFileReadInPiecesHashesAsItsWholeContent) {
    test::TempDir dir;
    constexpr std::size_t kPiece = std::size_t{1} << 18;
    for (const HashKind kind : {HashKind::Bytewise, HashKind::Wordwise}) {
        for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{31}, std::size_t{33}, kPiece - 1,
                                 kPiece + 1, 3 * kPiece + 5}) {
            const std::string content = Pattern(size);
            const std::string path = dir.Write("d" + std::to_string(size) + ".dxf", content);
            std::uint64_t gotSize = 99, gotHash = 0;
            EXPECT_TRUE(FileContentHash(path, kind, gotSize, gotHash)) << size;
            EXPECT_EQ(gotSize, size);
            EXPECT_EQ(gotHash, ContentHash(content, kind)) << size;
        }
        std::uint64_t s = 0, h = 0;
        EXPECT_FALSE(FileContentHash(dir.File("missing.dxf"), kind, s, h));
    }
    // Fed in uneven pieces, across the 32-byte blocks.
    const std::string content = Pattern(1000);
    for (std::size_t step : {1, 5, 31, 32, 33, 200}) {
        ContentHasher hasher(HashKind::Wordwise);
        for (std::size_t at = 0; at < content.size(); at += step) {
            hasher.Add(content.data() + at, std::min(step, content.size() - at));
        }
        EXPECT_EQ(hasher.Result(), ContentHash(content, HashKind::Wordwise)) << step;
    }
}

TEST(JournalHashTest, EveryChangedByteOrLengthGivesAnotherHash) {
    const std::string base = Pattern(77);
    const std::uint64_t h = ContentHash(base, HashKind::Wordwise);
    for (std::size_t i = 0; i < base.size(); ++i) {
        for (const int flip : {0x01, 0x80}) {
            std::string changed = base;
            changed[i] = static_cast<char>(changed[i] ^ flip);
            EXPECT_NE(ContentHash(changed, HashKind::Wordwise), h) << i << " " << flip;
        }
    }
    // Trailing zero bytes and words that trade places count too.
    EXPECT_NE(ContentHash(base + '\0', HashKind::Wordwise), h);
    EXPECT_NE(ContentHash(std::string(64, '\0'), HashKind::Wordwise),
              ContentHash(std::string(63, '\0'), HashKind::Wordwise));
    const std::string ab = std::string(8, 'a') + std::string(8, 'b'), ba = std::string(8, 'b') + std::string(8, 'a');
    EXPECT_NE(ContentHash(ab, HashKind::Wordwise), ContentHash(ba, HashKind::Wordwise));
}

TEST(JournalHashTest, EntriesNameTheirKindAndOldEntriesReadAsFnv1a) {
    // The published FNV-1a test values: what journals written before the
    // word-wise hash hold.
    EXPECT_EQ(ContentHash("", HashKind::Bytewise), 0xcbf29ce484222325ull);
    EXPECT_EQ(ContentHash("a", HashKind::Bytewise), 0xaf63dc4c8601ec8cull);
    HashKind kind = HashKind::Wordwise;
    std::uint64_t hash = 0;
    ASSERT_TRUE(ParseHashText("af63dc4c8601ec8c", kind, hash));
    EXPECT_EQ(kind, HashKind::Bytewise);
    EXPECT_EQ(hash, 0xaf63dc4c8601ec8cull);
    for (const HashKind k : {HashKind::Bytewise, HashKind::Wordwise}) {
        ASSERT_TRUE(ParseHashText(HashText(k, 0x0123456789abcdefull), kind, hash));
        EXPECT_EQ(kind, k);
        EXPECT_EQ(hash, 0x0123456789abcdefull);
    }
    EXPECT_EQ(HashText(HashKind::Wordwise, 1), "w0000000000000001");
    for (const char* bad : {"", "w", "x123", "0123456789abcdef0", "12 4"}) EXPECT_FALSE(ParseHashText(bad, kind, hash));
}

}  // namespace
}  // namespace kel
