// The handle index of a DXF model: sorted by handle, every handle once, held
// by its first holder in the file, whatever order the file lists handles in;
// inserts and attributes whose handle is missing or already taken get ids of
// their own.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "component/DrawingHandle.h"
#include "component/dxf/DxfModel.h"

namespace kel::dxf {
namespace {

// The entry of the handle, as the document looks it up; null when none.
const HandleEntry* Found(const DxfModel& model, std::uint64_t handle) {
    const auto it = std::lower_bound(model.handles.begin(), model.handles.end(), HandleEntry{handle, {}, -1});
    return it == model.handles.end() || it->handle != handle ? nullptr : &*it;
}

// An ENTITIES section of records of types T0, T1, ... (one type per record,
// so a record can be told by its type) with the given handles.
std::string Drawing(const std::vector<std::uint64_t>& handles, const std::string& more = "") {
    std::string text = "  0\nSECTION\n  2\nENTITIES\n";
    for (std::size_t i = 0; i < handles.size(); ++i) {
        text += "  0\nT" + std::to_string(i) + "\n  5\n" + FormatHandle(handles[i]) + "\n  8\n0\n";
    }
    return text + more + "  0\nENDSEC\n  0\nEOF\n";
}

void ExpectFirstHoldersFound(const std::vector<std::uint64_t>& handles, const std::string& label) {
    DxfModel model;
    std::string err;
    bool notDxf = false;
    const std::string text = Drawing(handles);
    ASSERT_TRUE(ReadDxfModel(text, model, err, notDxf)) << err;
    std::map<std::uint64_t, std::size_t> first;
    for (std::size_t i = 0; i < handles.size(); ++i) first.emplace(handles[i], i);
    EXPECT_EQ(model.handles.size(), first.size()) << label;
    EXPECT_TRUE(std::is_sorted(model.handles.begin(), model.handles.end())) << label;
    for (const auto& [handle, record] : first) {
        const HandleEntry* e = Found(model, handle);
        ASSERT_NE(e, nullptr) << label << ": handle " << handle;
        EXPECT_EQ(model.TypeName(*e), "T" + std::to_string(record)) << label << ": handle " << handle;
    }
    const std::uint64_t highest = first.empty() ? 0 : first.rbegin()->first;
    EXPECT_EQ(Found(model, highest + 1), nullptr) << label;
}

TEST(DxfHandleIndex, FindsEveryHandleAtItsFirstHolderInAnyOrder) {
    std::mt19937 rng(5);
    const std::size_t n = 3000;
    std::vector<std::uint64_t> ascending(n);
    for (std::size_t i = 0; i < n; ++i) ascending[i] = 0x20 + i;

    std::vector<std::uint64_t> late = ascending;  // every 8th a few places late, as SEQENDs come
    for (std::size_t i = 0; i + 6 < n; i += 8) std::rotate(late.begin() + i, late.begin() + i + 1, late.begin() + i + 6);
    std::vector<std::uint64_t> sections = ascending;  // a later section lists lower handles
    std::rotate(sections.begin(), sections.begin() + 1000, sections.end());
    std::vector<std::uint64_t> shuffled = ascending;
    std::shuffle(shuffled.begin(), shuffled.end(), rng);
    std::vector<std::uint64_t> descending(ascending.rbegin(), ascending.rend());
    std::vector<std::uint64_t> repeated = shuffled;  // one in ten takes a handle taken before
    for (std::size_t i = 10; i < n; i += 10) repeated[i] = repeated[rng() % i];
    std::vector<std::uint64_t> spread(n);  // handles far apart, up to the top of 64 bits
    for (std::uint64_t& h : spread) h = (static_cast<std::uint64_t>(rng()) << 32 | rng()) | 1;
    spread.back() = 0xFFFFFFFFFFFFFFFEull;

    ExpectFirstHoldersFound(ascending, "ascending");
    ExpectFirstHoldersFound(late, "a few late");
    ExpectFirstHoldersFound(sections, "sections");
    ExpectFirstHoldersFound(shuffled, "shuffled");
    ExpectFirstHoldersFound(descending, "descending");
    ExpectFirstHoldersFound(repeated, "repeated");
    ExpectFirstHoldersFound(spread, "spread");
    ExpectFirstHoldersFound({}, "none");
}

// An insert whose handle an earlier record holds, and an attribute without a
// handle, get ids above every handle of the file, and are found by them.
TEST(DxfHandleIndex, TakenAndMissingHandlesGetIdsOfTheirOwn) {
    const std::string insert =
        "  0\nINSERT\n  5\n21\n  2\nB\n 66\n1\n"
        "  0\nATTRIB\n  2\nTAG\n  1\nV\n"
        "  0\nATTRIB\n  5\n22\n  2\nTAG2\n  1\nW\n"
        "  0\nSEQEND\n  5\n90\n";
    DxfModel model;
    std::string err;
    bool notDxf = false;
    const std::string text = Drawing({0x20, 0x21, 0x30}, insert);
    ASSERT_TRUE(ReadDxfModel(text, model, err, notDxf)) << err;
    ASSERT_EQ(model.inserts.size(), 1u);
    ASSERT_EQ(model.attribs.size(), 2u);
    EXPECT_TRUE(model.inserts[0].synthetic);
    EXPECT_TRUE(model.attribs[0].synthetic);
    EXPECT_FALSE(model.attribs[1].synthetic);
    EXPECT_GT(model.inserts[0].id, 0x90u);
    EXPECT_GT(model.attribs[0].id, 0x90u);
    EXPECT_NE(model.inserts[0].id, model.attribs[0].id);
    const auto found = [&](std::uint64_t handle) { return Found(model, handle); };
    ASSERT_NE(found(0x21), nullptr);
    EXPECT_EQ(model.TypeName(*found(0x21)), "T1");  // the first holder keeps it
    ASSERT_NE(found(model.inserts[0].id), nullptr);
    EXPECT_EQ(found(model.inserts[0].id)->Insert(), 0);
    ASSERT_NE(found(model.attribs[0].id), nullptr);
    EXPECT_EQ(found(model.attribs[0].id)->Attrib(), 0);
    ASSERT_NE(found(0x22), nullptr);
    EXPECT_EQ(found(0x22)->Attrib(), 1);
}

}  // namespace
}  // namespace kel::dxf
