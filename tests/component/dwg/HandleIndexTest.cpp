#include "component/dwg/HandleIndex.h"
#include "component/dwg/HandleFilter.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>

namespace kel::dwg {
namespace {

// Against an ordered map, through growth and erasures that leave holes in
// the index's runs of neighbouring slots: consecutive handles (as drawings
// number them), then, after a clear, scattered ones that collide, then ones
// that differ only above their low 32 bits.
TEST(HandleIndex, AgreesWithAMapThroughInsertsAndErasures) {
    std::mt19937_64 random(7);
    HandleIndex index;
    EXPECT_EQ(index.Find(0), nullptr);
    index.Erase(1);
    const auto handle = [&](int round, std::size_t i) -> std::uint64_t {
        if (round == 0) return 0x20 + i;
        if (round == 1) return random() % 50000;
        return random() % 5000 | (random() % 8) << 32;
    };
    for (int round = 0; round < 3; ++round) {
        std::map<std::uint64_t, std::size_t> expected;
        std::set<std::uint64_t> tried;
        for (std::size_t i = 0; i < 20000; ++i) {
            if (i == 10000) index.Reserve(40000);  // grown ahead, with entries in place
            const std::uint64_t h = handle(round, i);
            tried.insert(h);
            const auto [value, inserted] = index.Insert(h, static_cast<HandleIndex::Value>(i));
            const bool isNew = expected.emplace(h, i).second;
            ASSERT_EQ(inserted, isNew) << h;
            ASSERT_EQ(*value, expected[h]) << h;
            if (i % 3 == 0) {
                const std::uint64_t gone = round == 0 ? 0x20 + random() % (i + 1) : handle(round, i);
                tried.insert(gone);
                index.Erase(gone);
                expected.erase(gone);
            }
            if (i % 7 == 0) {
                index.Set(h, static_cast<HandleIndex::Value>(i + 1));
                expected[h] = i + 1;
            }
        }
        ASSERT_EQ(index.Size(), expected.size());
        for (std::uint64_t h = 0; h < 50000 + 0x20; ++h) tried.insert(h);
        for (const std::uint64_t h : tried) {
            const HandleIndex::Value* found = index.Find(h);
            const auto it = expected.find(h);
            ASSERT_EQ(found != nullptr, it != expected.end()) << h;
            if (found) {
                ASSERT_EQ(*found, it->second) << h;
            }
        }
        // Cleared, the index finds nothing and takes handles again.
        index.Clear();
        EXPECT_EQ(index.Size(), 0u);
        EXPECT_EQ(index.Find(0x20), nullptr);
    }
}

// A save's changed handles among a drawing's: every one added must pass (a
// miss would leave a changed object unwritten), and most others must not, or
// the filter saves nothing.
TEST(HandleFilter, PassesEveryHandleAddedAndFewOthers) {
    HandleFilter filter;
    std::set<std::uint64_t> added;
    for (std::uint64_t h = 0x20; h < 0x20 + 60000; h += 40) added.insert(h);  // 1,500 of 60,000
    for (std::uint64_t high = 1; high < 4; ++high) added.insert(high << 32 | 0x20);
    for (std::uint64_t h : added) filter.Add(h);
    std::size_t passedOthers = 0;
    for (std::uint64_t h = 0x20; h < 0x20 + 60000; ++h) {
        if (added.count(h)) {
            EXPECT_TRUE(filter.MayHold(h)) << h;
        } else {
            passedOthers += filter.MayHold(h);
        }
    }
    for (std::uint64_t h : added) EXPECT_TRUE(filter.MayHold(h)) << h;
    EXPECT_LT(passedOthers, 60000u / 20);
}

}  // namespace
}  // namespace kel::dwg
