// The object map read back as written, a handle listed again in a later
// section, and damaged sections.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "component/dwg/DwgObjectMap.h"

namespace kel::dwg {
namespace {

std::vector<ObjectLocation> Locations(std::uint64_t first, std::uint64_t last, std::uint64_t step,
                                      std::int64_t offsetBase) {
    std::vector<ObjectLocation> out;
    for (std::uint64_t h = first; h < last; h += step) {
        out.push_back({h, offsetBase + static_cast<std::int64_t>(h) * 40});
    }
    return out;
}

TEST(ObjectMap, ReadsBackWhatWasWrittenALaterEntryWinsAndDamageIsRefused) {
    const std::vector<ObjectLocation> low = Locations(1, 3000, 3, 0);
    std::string why;
    std::vector<ObjectLocation> read;
    const std::string lowMap = BuildObjectMap(low, Version::R2000);
    ASSERT_TRUE(ReadObjectMap(lowMap, Version::R2000, 1 << 20, read, why)) << why;
    ASSERT_EQ(read.size(), low.size());
    for (std::size_t i = 0; i < low.size(); ++i) {
        EXPECT_EQ(std::make_pair(read[i].handle, read[i].offset), std::make_pair(low[i].handle, low[i].offset));
    }

    // The sections of a second map, which goes back into the first one's
    // handles with other offsets, behind the first map's own sections.
    const std::vector<ObjectLocation> again = Locations(2000, 4000, 2, 200000);
    const std::string joined = lowMap.substr(0, lowMap.size() - 4) + BuildObjectMap(again, Version::R2000);
    ASSERT_TRUE(ReadObjectMap(joined, Version::R2000, 1 << 20, read, why)) << why;
    std::map<std::uint64_t, std::int64_t> expected;
    for (const auto& l : low) expected[l.handle] = l.offset;
    for (const auto& l : again) expected[l.handle] = l.offset;
    std::map<std::uint64_t, std::int64_t> got;
    for (const auto& l : read) EXPECT_TRUE(got.emplace(l.handle, l.offset).second) << "handle listed twice: " << l.handle;
    EXPECT_EQ(got, expected);
    EXPECT_LT(got.size(), low.size() + again.size());  // the two share handles
    EXPECT_EQ(read.front().handle, low.front().handle);  // in the order first listed
    EXPECT_EQ(read.back().handle, again.back().handle);

    // Damaged, cut short, or pointing past the end of the file.
    std::string damaged = lowMap;
    damaged[10] ^= 0x20;
    EXPECT_FALSE(ReadObjectMap(damaged, Version::R2000, 1 << 20, read, why));
    EXPECT_EQ(why, "object map CRC mismatch");
    EXPECT_FALSE(ReadObjectMap(lowMap.substr(0, lowMap.size() - 4), Version::R2000, 1 << 20, read, why));
    EXPECT_EQ(why, "object map is truncated");
    EXPECT_FALSE(ReadObjectMap(lowMap, Version::R2000, 1000, read, why));
    EXPECT_EQ(why, "object map points outside the file");
}

}  // namespace
}  // namespace kel::dwg
