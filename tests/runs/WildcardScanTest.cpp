#include <gtest/gtest.h>

#include <filesystem>

#include "runs/RunState.h"
#include "runs/WildcardScan.h"
#include "RunTestSupport.h"

namespace kel::test {
namespace {

namespace fs = std::filesystem;

struct NullStatus : RecordingStatus<IStatusLine> {};

// root/ a1.dwg A2.DWG b1.dwg notes.txt .a-hidden.dwg
//       sub/ a3.dwg   sub/deep/ a4.dwg   .hidden/ a5.dwg   Zed/ a6.dwg
class ScanTest : public ::testing::Test {
protected:
    ScanTest() {
        for (const char* f : {"a1.dwg", "A2.DWG", "b1.dwg", "notes.txt", ".a-hidden.dwg", "sub/a3.dwg",
                              "sub/deep/a4.dwg", ".hidden/a5.dwg", "Zed/a6.dwg", "Zed/a6.dxf"}) {
            dir.Write(std::string("root/") + f, "x");
        }
        root = dir.File("root");
    }
    std::string R(const std::string& rel) const { return root + "/" + rel; }
    TempDir dir;
    std::string root;
    NullStatus status;
};

TEST_F(ScanTest, TreeScanListsFolderFilesFirstThenSubfoldersDepthFirstInNameOrder) {
    const auto found = ScanFolder(root, "*a*.dwg", status);
    EXPECT_EQ(found, (std::vector<std::string>{R(".a-hidden.dwg"), R("a1.dwg"), R("A2.DWG"), R("sub/a3.dwg"),
                                               R("sub/deep/a4.dwg"), R("Zed/a6.dwg")}));
    const auto m = status.status.Messages();
    EXPECT_NE(std::find(m.begin(), m.end(), "Scanning " + R("sub") + "..."), m.end());
    EXPECT_EQ(std::find(m.begin(), m.end(), "Scanning " + R(".hidden") + "..."), m.end());
    EXPECT_EQ(ScanFolder(root + "/", "*a*.dwg", status), found) << "a folder with its separator";
}

TEST_F(ScanTest, FolderOnlyListingSkipsHiddenFilesAndFolders) {
    EXPECT_EQ(ListMatchingFiles(root + "/", "A*.DWG", status), (std::vector<std::string>{R("a1.dwg"), R("A2.DWG")}));
    EXPECT_EQ(status.status.Messages().front(), "Scanning " + root + "/...");
    EXPECT_EQ(ListMatchingFiles(root + "/", "*.*", status),
              (std::vector<std::string>{R("a1.dwg"), R("A2.DWG"), R("b1.dwg"), R("notes.txt")}));
    EXPECT_TRUE(ListMatchingFiles(root + "/", "q*.dwg", status).empty());
    EXPECT_TRUE(ListMatchingFiles(dir.File("nowhere/"), "*.dwg", status).empty());
}

TEST_F(ScanTest, LinkLoopsAreEnteredOnce) {
    std::error_code ec;
    fs::create_directory_symlink(root, R("sub/back-to-root"), ec);
    fs::create_directory_symlink(R("sub"), R("sub/deep/up"), ec);
    if (ec) GTEST_SKIP() << "no symbolic links here";
    const auto found = ScanFolder(root, "a*.dwg", status);
    EXPECT_EQ(found.size(), 5u);
}

TEST_F(ScanTest, PathWithoutFolderUsesTheCurrentFolder) {
    const fs::path before = fs::current_path();
    fs::current_path(root);
    const auto flat = ListMatchingFiles("", "a*.dwg", status);
    const auto tree = ScanFolder("", "a*.dwg", status);
    fs::current_path(before);
    EXPECT_EQ(flat, (std::vector<std::string>{"a1.dwg", "A2.DWG"}));
    ASSERT_EQ(tree.size(), 5u);
    EXPECT_EQ(tree[2], "sub/a3.dwg");
}

}  // namespace
}  // namespace kel::test
