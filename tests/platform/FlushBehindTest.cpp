// Replacements that finish on a helper thread: each lands whole and in order,
// or not at all with the old file kept and the reason told; none is left
// pending when the FlushBehind ends; only durable replacements of its own
// thread are taken.
#include "platform/FlushBehind.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/FileSystem.h"
#include "support/TempDir.h"

namespace kel {
namespace {

namespace fs = std::filesystem;

using test::ReadFile;
using test::TempDir;

std::size_t TempFilesIn(const std::string& folder) {
    std::size_t n = 0;
    for (const auto& e : fs::directory_iterator(PathFromUtf8(folder))) {
        n += e.path().filename().string().ends_with(".kel-tmp") ? 1 : 0;
    }
    return n;
}

// Lets the held replacements land, expecting `count` of them, each in place.
void ReleaseAndExpectAllLand(FlushBehind& behind, std::size_t count) {
    const std::vector<std::size_t> ids = behind.TakeStarted();
    EXPECT_EQ(ids.size(), count);
    behind.Release();
    std::string err;
    for (const std::size_t id : ids) EXPECT_TRUE(behind.Wait(id, err)) << err;
}

TEST(FlushBehind, ReplacementsLandInOrderOnceWaitedFor) {
    TempDir dir;
    const std::string a = dir.Write("a.dxf", "old a"), b = dir.Write("b.dxf", "old b");
    std::string err;
    FlushBehind behind;
    behind.Hold();
    ASSERT_TRUE(WriteFileAtomic(a, std::vector<std::string_view>{"new ", "a"}, err)) << err;
    ASSERT_TRUE(WriteFileAtomic(b, "new b", err)) << err;
    ASSERT_TRUE(WriteFileAtomic(a, "newer a", err)) << err;
    // Held: the old files are still in place, the new content beside them.
    EXPECT_EQ(ReadFile(a), "old a");
    EXPECT_EQ(ReadFile(b), "old b");
    EXPECT_EQ(TempFilesIn(dir.Path()), 3u);
    ReleaseAndExpectAllLand(behind, 3);
    EXPECT_TRUE(behind.TakeStarted().empty());
    EXPECT_EQ(ReadFile(a), "newer a");  // the later replacement of a landed last
    EXPECT_EQ(ReadFile(b), "new b");
    EXPECT_EQ(TempFilesIn(dir.Path()), 0u);
}

TEST(FlushBehind, AReplacementThatCannotLandKeepsTheOldFileAndSaysWhy) {
    TempDir dir;
    const std::string good = dir.Write("good.dxf", "old"), bad = dir.Write("bad.dxf", "old");
    std::string err;
    FlushBehind behind;
    behind.Hold();
    ASSERT_TRUE(WriteFileAtomic(bad, "new", err)) << err;
    ASSERT_TRUE(WriteFileAtomic(good, "new", err)) << err;
    // Before the first lands, its target becomes a folder that holds a file:
    // nothing may be renamed over that.
    fs::remove(PathFromUtf8(bad));
    fs::create_directory(PathFromUtf8(bad));
    dir.Write("bad.dxf/inside", "kept");
    const std::vector<std::size_t> ids = behind.TakeStarted();
    ASSERT_EQ(ids.size(), 2u);
    behind.Release();
    EXPECT_FALSE(behind.Wait(ids[0], err));
    EXPECT_NE(err.find("cannot replace the file"), std::string::npos) << err;
    EXPECT_TRUE(behind.Wait(ids[1], err)) << err;  // the next one is not held up by it
    EXPECT_EQ(ReadFile(bad + "/inside"), "kept");
    EXPECT_EQ(ReadFile(good), "new");
    EXPECT_EQ(TempFilesIn(dir.Path()), 0u);
}

TEST(FlushBehind, EndingFinishesEveryPendingReplacement) {
    TempDir dir;
    std::vector<std::string> paths;
    std::string err;
    {
        FlushBehind behind;
        behind.Hold();
        for (int k = 0; k < 5; ++k) {
            paths.push_back(dir.Write("d" + std::to_string(k) + ".dxf", "old"));
            ASSERT_TRUE(WriteFileAtomic(paths.back(), std::string(100000 + k, static_cast<char>('a' + k)), err)) << err;
        }
    }
    for (int k = 0; k < 5; ++k) EXPECT_EQ(ReadFile(paths[k]), std::string(100000 + k, static_cast<char>('a' + k)));
    EXPECT_EQ(TempFilesIn(dir.Path()), 0u);
    // Afterwards replacements finish in place again.
    ASSERT_TRUE(WriteFileAtomic(paths[0], "in place", err)) << err;
    EXPECT_EQ(ReadFile(paths[0]), "in place");
}

// The helper writes a small content from a copy, so the caller may reuse
// its bytes at once; a large one is written before the call returns, so a
// pending replacement never holds a large drawing's bytes.
TEST(FlushBehind, ContentIsCopiedOrWrittenBeforeTheCallReturns) {
    TempDir dir;
    const std::string small = dir.Write("small.dxf", "old"), large = dir.Write("large.dxf", "old");
    std::string err;
    FlushBehind behind;
    behind.Hold();
    std::string bytes = "first piece|second piece";
    ASSERT_TRUE(WriteFileAtomic(small, {std::string_view(bytes).substr(0, 12), std::string_view(bytes).substr(12)},
                                err))
        << err;
    bytes.assign(bytes.size(), '#');
    const std::string big(5 * 1024 * 1024, 'L');
    ASSERT_TRUE(WriteFileAtomic(large, big, err)) << err;
    std::uintmax_t largestTemp = 0;
    for (const auto& e : fs::directory_iterator(PathFromUtf8(dir.Path()))) {
        if (e.path().filename().string().ends_with(".kel-tmp")) largestTemp = std::max(largestTemp, e.file_size());
    }
    EXPECT_EQ(largestTemp, big.size());
    EXPECT_EQ(ReadFile(small), "old");
    EXPECT_EQ(ReadFile(large), "old");
    ReleaseAndExpectAllLand(behind, 2);
    EXPECT_EQ(ReadFile(small), "first piece|second piece");
    EXPECT_EQ(ReadFile(large), big);
    EXPECT_EQ(TempFilesIn(dir.Path()), 0u);
}

TEST(FlushBehind, OnlyDurableReplacementsOfItsOwnThreadAreTaken) {
    TempDir dir;
    const std::string work = dir.Write("work.xml", "old"), other = dir.Write("other.dxf", "old");
    std::string err;
    FlushBehind behind;
    behind.Hold();
    ASSERT_TRUE(WriteWorkFile(work, "work", err)) << err;
    EXPECT_EQ(ReadFile(work), "work");
    std::thread([&] {
        std::string otherErr;
        EXPECT_TRUE(WriteFileAtomic(other, "other thread", otherErr)) << otherErr;
    }).join();
    EXPECT_EQ(ReadFile(other), "other thread");
    EXPECT_TRUE(behind.TakeStarted().empty());
    behind.Release();
}

// A content given a stretch at a time lands whole, alone or under a
// FlushBehind, small (gathered and handed over) or large (written as it
// comes); a source that refuses part way keeps the old file and leaves no
// temporary file, and a watch is told no landing for it.
TEST(FlushBehind, ContentFromASourceLandsWholeOrNotAtAll) {
    TempDir dir;
    const std::string path = dir.Write("a.dxf", "old");
    std::string whole;
    for (int i = 0; whole.size() < 5 * 1024 * 1024; ++i) whole += std::to_string(i) + " ";
    // Gives `text` in stretches of three pieces; refuses once `refuseAt` bytes are given.
    const auto source = [](const std::string& text, std::size_t refuseAt) {
        return [&text, refuseAt, at = std::size_t{0}](std::vector<std::string_view>& pieces,
                                                     std::string& why) mutable {
            if (at >= refuseAt) {
                why = "the source changed";
                return false;
            }
            for (int k = 0; k < 3 && at < text.size(); ++k) {
                const std::size_t n = std::min<std::size_t>(70000 + 1000 * k, text.size() - at);
                pieces.push_back(std::string_view(text).substr(at, n));
                at += n;
            }
            return true;
        };
    };
    std::vector<std::string> landed;
    std::string told;
    SaveWatch::Seen seen;
    seen.begin = [&](const std::string&) { told.clear(); };
    seen.pieces = [&](const std::vector<std::string_view>& pieces) {
        for (const std::string_view piece : pieces) told += piece;
    };
    seen.landed = [&](const std::string&) { landed.push_back(told); };
    const SaveWatch watch(std::move(seen));
    const std::string small = whole.substr(0, 300000);
    std::string err;
    for (const bool behindOn : {false, true}) {
        for (const std::string* content : {&small, static_cast<const std::string*>(&whole)}) {
            const std::string label = std::to_string(behindOn) + "/" + std::to_string(content->size());
            std::optional<FlushBehind> behind;
            if (behindOn) behind.emplace();
            landed.clear();
            EXPECT_FALSE(WriteFileAtomic(path, source(*content, content->size() / 2), err)) << label;
            EXPECT_EQ(err, "the source changed") << label;
            EXPECT_TRUE(landed.empty()) << label;
            EXPECT_EQ(ReadFile(path), "old") << label;
            EXPECT_EQ(TempFilesIn(dir.Path()), 0u) << label;
            // Told its size or not.
            for (const std::uint64_t expected : {std::uint64_t{0}, std::uint64_t{content->size()}}) {
                ASSERT_TRUE(WriteFileAtomic(path, source(*content, std::string::npos), err, expected))
                    << label << ": " << err;
                behind.reset();
                EXPECT_TRUE(ReadFile(path) == *content) << label;
                EXPECT_EQ(TempFilesIn(dir.Path()), 0u) << label;
                ASSERT_EQ(landed.size(), 1u) << label;
                EXPECT_TRUE(landed[0] == *content) << label;
                ASSERT_TRUE(WriteFileAtomic(path, "old", err)) << err;
                landed.clear();
                if (behindOn) behind.emplace();
            }
        }
    }
    EXPECT_EQ(ReadFile(path), "old");
}

}  // namespace
}  // namespace kel
