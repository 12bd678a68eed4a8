// The string builder: content kept exactly, spare room grown by the fixed step
// or by the piece, builder emptied by GetString and ReInit.
#include <gtest/gtest.h>

#include <string>

#include "engine/clsConcat.h"

namespace kel {
namespace {

TEST(ConcatTest, KeepsEveryPieceInOrderAcrossGrowth) {
    clsConcat c;
    EXPECT_EQ(c.GetString(), "");
    std::string expected;
    // Small pieces, then one longer than everything held, then a long one after a long text.
    for (int i = 0; i < 2000; ++i) {
        std::string piece = std::to_string(i) + ";";
        c.SConcat(piece);
        expected += piece;
    }
    std::string big(40000, 'x');
    big[0] = 'A';
    big.back() = 'Z';
    c.SConcat(big);
    expected += big;
    c.SConcat(big);
    expected += big;
    c.SConcat("");
    EXPECT_EQ(c.Length(), static_cast<std::int32_t>(expected.size()));
    EXPECT_EQ(c.GetString(), expected);
    EXPECT_EQ(c.Length(), 0);
    EXPECT_EQ(c.GetString(), "");
}

TEST(ConcatTest, GrowsByStepOrByPieceAndKeepsSpareRoom) {
    clsConcat c;
    c.SConcat("abc");  // longer than the (empty) text held: grows by the piece
    EXPECT_EQ(c.BufferSize(), 3u);
    c.SConcat("d");  // not longer than the text held: grows by the step
    EXPECT_EQ(c.BufferSize(), 3u + clsConcat::kGrowStep);
    c.SConcat(std::string(100, 'e'));  // fits in the spare room: no growth
    EXPECT_EQ(c.BufferSize(), 3u + clsConcat::kGrowStep);
    // Filling the buffer exactly to its end also grows it; this piece is longer than the text held.
    const std::size_t toEnd = c.BufferSize() - static_cast<std::size_t>(c.Length());
    c.SConcat(std::string(toEnd, 'f'));
    EXPECT_EQ(c.BufferSize(), 3u + clsConcat::kGrowStep + toEnd);
    // Same again with a piece shorter than the text held: the step.
    const std::size_t toEnd2 = c.BufferSize() - static_cast<std::size_t>(c.Length());
    ASSERT_LE(toEnd2, static_cast<std::size_t>(c.Length()));
    c.SConcat(std::string(toEnd2, 'g'));
    EXPECT_EQ(c.BufferSize(), 3u + 2 * clsConcat::kGrowStep + toEnd);
    EXPECT_EQ(c.GetString(), "abcd" + std::string(100, 'e') + std::string(toEnd, 'f') + std::string(toEnd2, 'g'));
}

TEST(ConcatTest, SetStringAndReInit) {
    clsConcat c;
    c.SConcat("old");
    c.SetString("new text");
    EXPECT_EQ(c.BufferSize(), 8u + clsConcat::kGrowStep);
    c.SConcat(" more");
    EXPECT_EQ(c.GetString(), "new text more");
    c.SConcat("gone");
    c.ReInit();
    EXPECT_EQ(c.BufferSize(), 0u);
    c.SConcat("kept");
    EXPECT_EQ(c.GetString(), "kept");
}

}  // namespace
}  // namespace kel
