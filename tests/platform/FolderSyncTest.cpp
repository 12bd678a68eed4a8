// Folder flushes after atomic replacement: immediate outside a batch, once per
// folder inside one, and only when the outermost batch is flushed or ends.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/FolderSync.h"
#include "support/TempDir.h"

namespace kel {
namespace {

using test::ReadFile;
using test::TempDir;

TEST(FolderSync, BatchesFlushEachFolderOnceWhenTheOutermostEnds) {
    TempDir dir;
    const std::string a = dir.Path() + "/a", b = dir.Path() + "/b";
    std::filesystem::create_directories(a);
    std::filesystem::create_directories(b);
    std::string err;

    ASSERT_TRUE(WriteFileAtomic(a + "/x.dxf", "0", err)) << err;
    EXPECT_TRUE(FolderSyncBatch::Pending().empty());

    {
        FolderSyncBatch outer;
        ASSERT_TRUE(WriteFileAtomic(a + "/x.dxf", "1", err)) << err;
        ASSERT_TRUE(WriteFileAtomic(a + "/y.dxf", "1", err)) << err;
        {
            FolderSyncBatch inner;
            ASSERT_TRUE(WriteFileAtomic(b + "/z.dxf", "1", err)) << err;
        }
        // Work files are never flushed, so their folder is not recorded either.
        ASSERT_TRUE(WriteWorkFile(dir.Path() + "/_file.xml", "w", err)) << err;
        EXPECT_EQ(FolderSyncBatch::Pending(), (std::vector<std::string>{a, b}));
        // The data is in place before any folder flush.
        EXPECT_EQ(ReadFile(a + "/x.dxf"), "1");
        outer.Flush();
        EXPECT_TRUE(FolderSyncBatch::Pending().empty());
        ASSERT_TRUE(WriteFileAtomic(b + "/z.dxf", "2", err)) << err;
        EXPECT_EQ(FolderSyncBatch::Pending(), std::vector<std::string>{b});
    }
    EXPECT_TRUE(FolderSyncBatch::Pending().empty());
    EXPECT_EQ(ReadFile(b + "/z.dxf"), "2");
}

}  // namespace
}  // namespace kel
