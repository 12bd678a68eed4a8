// kel-batch over inputs that are not what they claim to be: each run ends with
// a status and an error line, and no drawing on disk changes.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "robust/RobustSupport.h"
#include "support/TempDir.h"

namespace kel {
namespace {

namespace fs = std::filesystem;

class BadInputTest : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(home); }
    robust::BatchResult Modify(const std::vector<std::string>& drawings, const std::string& t = {}) {
        std::vector<std::string> args = {"-t", t.empty() ? templ : t};
        args.insert(args.end(), drawings.begin(), drawings.end());
        return robust::RunBatch(args, home);
    }
    std::string ErrorLog() const { return test::ReadFile(home + "/err.log"); }
    // Writes each file (name -> bytes), runs over all of them: each is logged and keeps its bytes.
    void ExpectAllRefused(const std::map<std::string, std::string>& files) {
        std::vector<std::string> paths;
        for (const auto& [name, bytes] : files) paths.push_back(dir.Write(name, bytes));
        const auto r = Modify(paths);
        EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
        const std::string log = ErrorLog();
        for (const auto& [name, bytes] : files) {
            EXPECT_TRUE(test::ReadFile(dir.File(name)) == bytes) << name << " changed";
            EXPECT_NE(log.find("Drawing: " + dir.File(name) + "  Error: "), std::string::npos) << name << "\n" << log;
        }
        EXPECT_EQ(robust::TempFiles(dir.Path()), std::vector<std::string>{});
    }

    test::TempDir dir;
    std::string home = dir.File("home"), templ = dir.Write("title.txt", robust::SampleBytes("title-block.txt"));
};

TEST_F(BadInputTest, FilesThatAreNoDrawingsAreReportedAndLeftAlone) {
    fs::create_directories(dir.File("folder.dxf"));
    const auto r = Modify({dir.File("folder.dxf")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(fs::is_directory(dir.File("folder.dxf")) && fs::is_empty(dir.File("folder.dxf")));
    EXPECT_NE(ErrorLog().find("Drawing: " + dir.File("folder.dxf") + "  Error: "), std::string::npos) << ErrorLog();
    ExpectAllRefused({{"empty.dxf", ""},
                      {"empty.dwg", ""},
                      {"picture.dxf", std::string("\x89PNG\r\n\x1a\n", 8) + std::string(200, '\0')},
                      {"text.dwg", "just some text\r\n"},
                      {"future.dwg", "AC1032" + std::string(4000, '\x01')},
                      {"r2004.dwg", "AC1018" + std::string(4000, '\0')},
                      {"ancient.dwg", "AC1009" + std::string(100, '\0')},
                      {"half-header.dwg", "AC10"},
                      {"only-eof.dxf", "  0\r\nEOF\r\n"},
                      {"not-a-group.dxf", "  0\nSECTION\n  x\nHEADER\n"}});
}

// A drawing cut short is refused whole rather than saved in part; one cut in
// its last section or in its end marker reads, but is never saved either.
TEST_F(BadInputTest, TruncatedDrawingsAreNotChanged) {
    std::map<std::string, std::string> cuts;
    for (const char* name : {"title-r2000.dxf", "title-r12-bin.dxf", "title-r2018-bin.dxf"}) {
        const std::string whole = robust::SampleBytes(name);
        std::vector<std::size_t> lengths = {1, 2, 5, 21, 22, 23, 100};
        for (std::size_t n = 37; n < whole.size(); n += whole.size() / 29) lengths.push_back(n);
        // Without only its last line end the drawing is whole; one byte more is missing EOF.
        for (std::size_t back = 2; back <= 6; ++back) lengths.push_back(whole.size() - back);
        for (std::size_t n : lengths) cuts["cut/" + std::to_string(n) + "-" + name] = whole.substr(0, n);
    }
    ExpectAllRefused(cuts);
}

// Permission bits do not stop root, so the read case runs only for other users;
// an immutable folder stops every user where the file system supports it.
TEST_F(BadInputTest, UnreadableOrUnwritableDrawingsKeepTheirContent) {
    const std::string original = robust::SampleBytes("title-r2000.dxf");
    if (::geteuid() != 0) {
        const std::string unreadable = dir.Write("unreadable.dxf", original);
        fs::permissions(unreadable, fs::perms::none);
        const auto r = Modify({unreadable});
        EXPECT_EQ(r.exitCode, 1);
        fs::permissions(unreadable, fs::perms::owner_read | fs::perms::owner_write);
        EXPECT_TRUE(test::ReadFile(unreadable) == original);
        EXPECT_NE(ErrorLog().find("Error opening file UNREADABLE.DXF."), std::string::npos) << ErrorLog();
    }
    // A path through a file reaches nothing, whoever runs it.
    const std::string blocker = dir.Write("blocker", "x");
    const auto through = Modify({blocker + "/title.dxf"});
    EXPECT_EQ(through.exitCode, 1);
    EXPECT_NE(ErrorLog().find("File TITLE.DXF not found."), std::string::npos) << ErrorLog();
    EXPECT_EQ(test::ReadFile(blocker), "x");

    const std::string locked = dir.Write("locked/title.dxf", original);
    const bool immutable = std::system(("chattr +i '" + dir.File("locked") + "' 2>/dev/null").c_str()) == 0;
    if (!immutable) fs::permissions(dir.File("locked"), fs::perms::owner_read | fs::perms::owner_exec);
    const bool canWrite = ::access(dir.File("locked").c_str(), W_OK) == 0 && !immutable;
    const auto r = Modify({locked});
    if (immutable) std::system(("chattr -i '" + dir.File("locked") + "'").c_str());
    if (canWrite) GTEST_SKIP() << "no way to make a folder read-only for this user";
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(test::ReadFile(locked) == original);
    EXPECT_NE(ErrorLog().find("Unable to save drawing TITLE.DXF"), std::string::npos) << ErrorLog();
    EXPECT_EQ(robust::TempFiles(dir.File("locked")), std::vector<std::string>{});
}

TEST_F(BadInputTest, HugeTemplatesInvalidBytesAndLongValues) {
    const std::string original = robust::SampleBytes("title-r2018.dxf");
    const std::string drawing = dir.Write("title.dxf", original);
    // 100,000 tag lines, of which one matches: the rest cost time but change nothing.
    // Its bytes are not UTF-8, so they are read as Latin-1: the value arrives as "é" and "ÿ".
    std::string big = "*INPUT\r\nBLOCK: TITLE\r\n*ATTRIBUTE_TAGS\r\n";
    for (int i = 0; i < 100000; ++i) big += "NOTAG" + std::to_string(i) + ",r,x\r\n";
    auto r = Modify({drawing}, dir.Write("big.txt", big + "REV,r,\xE9\xFF\r\n"));
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err << ErrorLog();
    const auto revs = robust::ValuesOf(drawing, "REV");
    EXPECT_FALSE(revs.empty());
    EXPECT_EQ(revs, std::vector<std::string>(revs.size(), "\xC3\xA9\xC3\xBF"));

    // A NUL in a template or a list file: the run stops with a message, nothing is touched.
    const std::string copy = dir.Write("nul/title.dxf", original);
    r = Modify({copy}, dir.Write("nul/nul.txt", std::string("*INPUT\r\n*ATTRIBUTE_TAGS\r\nREV,r,\0X\r\n", 30)));
    EXPECT_TRUE(test::ReadFile(copy) == original) << "a template with a NUL was applied";
    r = robust::RunBatch({dir.Write("nul/bad.dlf", std::string("title.dxf,nul.txt\r\n\0\xFF\xFE", 22))}, home);
    EXPECT_NE(r.exitCode, 0);
    EXPECT_FALSE(r.out.empty() && r.err.empty()) << "no message";
    EXPECT_TRUE(test::ReadFile(copy) == original);

    // A 64 KiB value is either stored whole or refused with the drawing unchanged.
    std::string value;
    for (int i = 0; value.size() < 65536; ++i) value += "long title " + std::to_string(i) + " ";
    value.resize(65536);
    const std::string second = dir.Write("second.dxf", original);
    r = Modify({second}, dir.Write("long.txt", "*INPUT\r\n*ATTRIBUTE_TAGS\r\nTITLE,r," + value + "\r\n"));
    const auto titles = robust::ValuesOf(second, "TITLE");
    if (r.exitCode == 0) {
        EXPECT_FALSE(titles.empty());
        EXPECT_TRUE(titles == std::vector<std::string>(titles.size(), value));
    } else {
        EXPECT_TRUE(test::ReadFile(second) == original);
        EXPECT_FALSE(ErrorLog().empty());
    }
}

}  // namespace
}  // namespace kel
