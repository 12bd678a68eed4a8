#include "component/dwg/HandleIndex.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace kel::dwg {
namespace {

// Against an ordered map, through growth and erasures that leave holes in
// the index's runs of neighbouring slots: consecutive handles (as drawings
// number them), then, after a clear, scattered ones that collide.
TEST(HandleIndex, AgreesWithAMapThroughInsertsAndErasures) {
    std::mt19937_64 random(7);
    HandleIndex index;
    EXPECT_EQ(index.Find(0), nullptr);
    index.Erase(1);
    for (int round = 0; round < 2; ++round) {
        std::map<std::uint64_t, std::size_t> expected;
        for (std::size_t i = 0; i < 20000; ++i) {
            if (i == 10000) index.Reserve(40000);  // grown ahead, with entries in place
            const std::uint64_t h = round == 0 ? 0x20 + i : random() % 50000;
            const auto [value, inserted] = index.Insert(h, i);
            const bool isNew = expected.emplace(h, i).second;
            ASSERT_EQ(inserted, isNew) << h;
            ASSERT_EQ(*value, expected[h]) << h;
            if (i % 3 == 0) {
                const std::uint64_t gone = round == 0 ? 0x20 + random() % (i + 1) : random() % 50000;
                index.Erase(gone);
                expected.erase(gone);
            }
            if (i % 7 == 0) {
                index.Set(h, i + 1);
                expected[h] = i + 1;
            }
        }
        ASSERT_EQ(index.Size(), expected.size());
        for (std::uint64_t h = 0; h < 50000 + 0x20; ++h) {
            const std::size_t* found = index.Find(h);
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

}  // namespace
}  // namespace kel::dwg
