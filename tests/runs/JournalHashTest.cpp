// The journal's hash of a saved drawing: the same for any cut of the bytes and
// for a file read a piece at a time, different for any one changed byte, and
// the byte-at-a-time FNV-1a that older journals hold still read.
#include <gtest/gtest.h>

#include "component/ContentHash.h"
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
        for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{31}, std::size_t{33}, kPiece - 1,
                                       kPiece + 1, 3 * kPiece + 5}) {
            const std::string content = Pattern(size);
            std::uint64_t gotSize = 99, gotHash = 0;
            EXPECT_TRUE(FileContentHash(dir.Write("d" + std::to_string(size), content), kind, gotSize, gotHash)) << size;
            EXPECT_EQ(std::pair(gotSize, gotHash), std::pair(std::uint64_t{size}, ContentHash(content, kind))) << size;
        }
        std::uint64_t s = 0, h = 0;
        EXPECT_FALSE(FileContentHash(dir.File("missing.dxf"), kind, s, h));
    }
    // Fed in uneven pieces, across the 32-byte blocks.
    const std::string content = Pattern(1000);
    for (const std::size_t step : {1, 5, 31, 32, 33, 200}) {
        ContentHasher hasher(HashKind::Wordwise);
        for (std::size_t at = 0; at < content.size(); at += step) hasher.Add(content.data() + at, std::min(step, content.size() - at));
        EXPECT_EQ(hasher.Result(), ContentHash(content, HashKind::Wordwise)) << step;
    }
}

TEST(JournalHashTest, EveryChangedByteOrLengthGivesAnotherHash) {
    const auto hash = [](const std::string& s) { return ContentHash(s, HashKind::Wordwise); };
    const std::string base = Pattern(77);
    for (std::size_t i = 0; i < base.size(); ++i) {
        for (const int flip : {0x01, 0x80}) {
            std::string changed = base;
            changed[i] = static_cast<char>(changed[i] ^ flip);
            EXPECT_NE(hash(changed), hash(base)) << i << " " << flip;
        }
    }
    // Trailing zero bytes and words that trade places count too.
    EXPECT_NE(hash(base + '\0'), hash(base));
    EXPECT_NE(hash(std::string(64, '\0')), hash(std::string(63, '\0')));
    EXPECT_NE(hash(std::string(8, 'a') + std::string(8, 'b')), hash(std::string(8, 'b') + std::string(8, 'a')));
}

TEST(JournalHashTest, EntriesNameTheirKindAndOldEntriesReadAsFnv1a) {
    // The published FNV-1a test values: what journals written before the word-wise hash hold.
    EXPECT_EQ(ContentHash("", HashKind::Bytewise), 0xcbf29ce484222325ull);
    EXPECT_EQ(ContentHash("a", HashKind::Bytewise), 0xaf63dc4c8601ec8cull);
    HashKind kind = HashKind::Wordwise;
    std::uint64_t hash = 0;
    ASSERT_TRUE(ParseHashText("af63dc4c8601ec8c", kind, hash));
    EXPECT_EQ(std::pair(kind, hash), std::pair(HashKind::Bytewise, std::uint64_t{0xaf63dc4c8601ec8cull}));
    for (const HashKind k : {HashKind::Bytewise, HashKind::Wordwise}) {
        ASSERT_TRUE(ParseHashText(HashText(k, 0x0123456789abcdefull), kind, hash));
        EXPECT_EQ(std::pair(kind, hash), std::pair(k, std::uint64_t{0x0123456789abcdefull}));
    }
    for (const char* bad : {"", "w", "x123", "0123456789abcdef0", "12 4"}) EXPECT_FALSE(ParseHashText(bad, kind, hash)) << bad;
}

}  // namespace
}  // namespace kel
