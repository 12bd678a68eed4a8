#include <gtest/gtest.h>

#include <filesystem>

#include "runs/WildcardScan.h"
#include "RunTestSupport.h"

namespace kel::test {
namespace {

namespace fs = std::filesystem;

// root/ a1.dwg A2.DWG b1.dwg notes.txt .a-hidden.dwg sub/a3.dwg sub/deep/a4.dwg
//       .hidden/a5.dwg Zed/a6.dwg Zed/a6.dxf
class ScanTest : public ::testing::Test {
protected:
    ScanTest() {
        for (const char* f : {"a1.dwg", "A2.DWG", "b1.dwg", "notes.txt", ".a-hidden.dwg", "sub/a3.dwg",
                              "sub/deep/a4.dwg", ".hidden/a5.dwg", "Zed/a6.dwg", "Zed/a6.dxf"}) {
            dir.Write(std::string("root/") + f, "x");
        }
    }
    std::vector<std::string> R(std::initializer_list<const char*> rel) const {
        std::vector<std::string> v;
        for (const char* r : rel) v.push_back(root + "/" + r);
        return v;
    }
    TempDir dir;
    std::string root = dir.File("root");
    RecordingStatus<IStatusLine> status;
};

TEST_F(ScanTest, TreeScanGivesFolderFilesFirstThenSubfoldersDepthFirstInNameOrder) {
    const auto found = ScanFolder(root, "*a*.dwg", status);
    EXPECT_EQ(found, R({".a-hidden.dwg", "a1.dwg", "A2.DWG", "sub/a3.dwg", "sub/deep/a4.dwg", "Zed/a6.dwg"}));
    EXPECT_TRUE(status.Shown("Scanning " + root + "/sub..."));
    EXPECT_FALSE(status.Shown("Scanning " + root + "/.hidden..."));
    EXPECT_EQ(ScanFolder(root + "/", "*a*.dwg", status), found);

    std::error_code ec;
    fs::create_directory_symlink(root, root + "/sub/back-to-root", ec);
    fs::create_directory_symlink(root + "/sub", root + "/sub/deep/up", ec);
    if (!ec) {
        EXPECT_EQ(ScanFolder(root, "*a*.dwg", status), found) << "each real folder is entered once";
    }
}

TEST_F(ScanTest, FolderOnlyListingLeavesHiddenFilesOut) {
    EXPECT_EQ(ListMatchingFiles(root + "/", "A*.DWG", status), R({"a1.dwg", "A2.DWG"}));
    EXPECT_EQ(status.messages.front(), "Scanning " + root + "/...");
    EXPECT_EQ(ListMatchingFiles(root + "/", "*.*", status), R({"a1.dwg", "A2.DWG", "b1.dwg", "notes.txt"}));
    EXPECT_TRUE(ListMatchingFiles(root + "/nowhere/", "*.dwg", status).empty());
}

TEST_F(ScanTest, PathWithoutFolderUsesTheCurrentFolder) {
    const fs::path before = fs::current_path();
    fs::current_path(root);
    const auto flat = ListMatchingFiles("", "a*.dwg", status);
    const auto tree = ScanFolder("", "a*.dwg", status);
    fs::current_path(before);
    EXPECT_EQ(flat, (std::vector<std::string>{"a1.dwg", "A2.DWG"}));
    EXPECT_EQ(tree, (std::vector<std::string>{"a1.dwg", "A2.DWG", "sub/a3.dwg", "sub/deep/a4.dwg", "Zed/a6.dwg"}));
}

}  // namespace
}  // namespace kel::test
