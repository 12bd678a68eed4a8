#include "component/ChunkedVector.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace kel {
namespace {

struct Item {
    std::uint64_t key = 0;
    int payload = -1;
    bool operator<(const Item& o) const { return key < o.key; }
};

// Small chunks, so a few dozen items cross several chunk ends.
using Small = ChunkedVector<Item, 4 * sizeof(Item)>;

TEST(ChunkedVector, KeepsItemsInPlaceAcrossChunkEnds) {
    static_assert(Small::kPerChunk == 4);
    Small v;
    std::vector<const Item*> where;
    for (int i = 0; i < 23; ++i) {
        v.push_back(Item{static_cast<std::uint64_t>(100 - i), i});
        where.push_back(&v.back());
    }
    ASSERT_EQ(v.size(), 23u);
    for (int i = 0; i < 23; ++i) {
        EXPECT_EQ(v[static_cast<std::size_t>(i)].payload, i);
        EXPECT_EQ(&v[static_cast<std::size_t>(i)], where[static_cast<std::size_t>(i)]) << "item " << i << " moved";
    }

    // Cut at a chunk's end and inside one; growing again fills on from there.
    for (std::size_t keep : {8u, 5u}) {
        Small w = v;
        w.truncate(keep);
        ASSERT_EQ(w.size(), keep);
        for (int i = 0; i < 6; ++i) w.emplace_back(Item{0, 1000 + i});
        ASSERT_EQ(w.size(), keep + 6);
        for (std::size_t i = 0; i < keep; ++i) EXPECT_EQ(w[i].payload, static_cast<int>(i));
        for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(w[keep + i].payload, 1000 + static_cast<int>(i));
    }
    EXPECT_EQ(v.size(), 23u) << "the copy shares nothing with its source";
    EXPECT_EQ(v[22].payload, 22);

    // A vector moved from starts empty and grows chunks of its own.
    Small moved = std::move(v);
    v.push_back(Item{7, 7});
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(v[0].payload, 7);
    ASSERT_EQ(moved.size(), 23u);
    EXPECT_EQ(moved[0].payload, 0);
    EXPECT_EQ(moved[22].payload, 22);
}

TEST(ChunkedVector, IteratorsServeTheStandardAlgorithms) {
    Small v;
    for (int i = 0; i < 37; ++i) v.push_back(Item{static_cast<std::uint64_t>((i * 17) % 37), i});
    std::sort(v.begin(), v.end());
    EXPECT_TRUE(std::is_sorted(v.begin(), v.end()));
    EXPECT_EQ(v.end() - v.begin(), 37);
    for (std::uint64_t k = 0; k < 37; ++k) {
        const Small& c = v;
        const auto it = std::lower_bound(c.begin(), c.end(), Item{k, 0});
        ASSERT_NE(it, c.end());
        EXPECT_EQ(it->key, k);
        EXPECT_EQ(static_cast<std::uint64_t>(it - c.begin()), k);
    }
    std::vector<Item> out(v.begin(), v.end());
    ASSERT_EQ(out.size(), 37u);
    EXPECT_EQ(out.back().key, 36u);
    v.clear();
    EXPECT_TRUE(v.empty());
    EXPECT_EQ(v.begin(), v.end());
}

}  // namespace
}  // namespace kel
