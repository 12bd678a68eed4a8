// The string builder: content kept exactly, spare room grown by the fixed step
// or by the piece, builder emptied by GetString and ReInit.
#include <gtest/gtest.h>

#include <string>

#include "engine/clsConcat.h"

namespace kel {
namespace {

TEST(ConcatTest, KeepsEveryPieceAndGrowsByStepOrPiece) {
    clsConcat c;
    EXPECT_EQ(c.GetString(), "");
    c.SConcat("abc");  // longer than the (empty) text held: grows by the piece
    c.SConcat("d");  // not longer than the text held: grows by the step
    EXPECT_EQ(c.BufferSize(), 3u + clsConcat::kGrowStep);
    c.SConcat("");
    // Filling the buffer exactly to its end grows it too: by a piece longer than
    // the text held, then by the step for a shorter one.
    const std::string p1(c.BufferSize() - 4, 'f');
    c.SConcat(p1);
    EXPECT_EQ(c.BufferSize(), 3u + clsConcat::kGrowStep + p1.size());
    const std::string p2(c.BufferSize() - static_cast<std::size_t>(c.Length()), 'g');
    c.SConcat(p2);
    EXPECT_EQ(c.BufferSize(), 3u + 2 * clsConcat::kGrowStep + p1.size());
    std::string big(40000, 'x');
    big.front() = 'A';
    big.back() = 'Z';
    c.SConcat(big);
    EXPECT_EQ(c.GetString(), "abcd" + p1 + p2 + big);
    EXPECT_EQ(c.GetString(), "");
    // SetString replaces the text and leaves the step spare; ReInit empties it.
    c.SConcat("old");
    c.SetString("new text");
    EXPECT_EQ(c.BufferSize(), 8u + clsConcat::kGrowStep);
    c.SConcat(" more");
    EXPECT_EQ(c.GetString(), "new text more");
    c.SConcat("gone");
    c.ReInit();
    c.SConcat("kept");
    EXPECT_EQ(c.GetString(), "kept");
}

}  // namespace
}  // namespace kel
