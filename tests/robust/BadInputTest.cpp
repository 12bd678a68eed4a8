// kel-batch over inputs that are not what they claim to be: each run ends with
// a status and an error line, and no drawing on disk changes.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "robust/RobustSupport.h"
#include "support/TempDir.h"

namespace kel {
namespace {

namespace fs = std::filesystem;

class BadInputTest : public ::testing::Test {
protected:
    void SetUp() override {
        home = dir.File("home");
        fs::create_directories(home);
        templ = dir.Write("title.txt", robust::SampleBytes("title-block.txt"));
    }
    robust::BatchResult Modify(const std::vector<std::string>& drawings, const std::string& t = {}) {
        std::vector<std::string> args = {"-t", t.empty() ? templ : t};
        args.insert(args.end(), drawings.begin(), drawings.end());
        return robust::RunBatch(args, home);
    }
    std::string ErrorLog() const { return test::ReadFile(home + "/err.log"); }

    test::TempDir dir;
    std::string home, templ;
};

TEST_F(BadInputTest, FilesThatAreNoDrawingsAreReportedAndLeftAlone) {
    const std::string png = std::string("\x89PNG\r\n\x1a\n", 8) + std::string(200, '\0');
    const std::vector<std::pair<std::string, std::string>> files = {
        {"empty.dxf", ""},
        {"empty.dwg", ""},
        {"picture.dxf", png},
        {"text.dwg", "just some text\r\n"},
        {"future.dwg", "AC1032" + std::string(4000, '\x01')},
        {"r2004.dwg", "AC1018" + std::string(4000, '\0')},
        {"ancient.dwg", "AC1009" + std::string(100, '\0')},
        {"half-header.dwg", "AC10"},
        {"only-eof.dxf", "  0\r\nEOF\r\n"},
        {"not-a-group.dxf", "  0\nSECTION\n  x\nHEADER\n"},
    };
    std::vector<std::string> paths;
    for (const auto& [name, bytes] : files) paths.push_back(dir.Write(name, bytes));
    fs::create_directories(dir.File("folder.dxf"));
    paths.push_back(dir.File("folder.dxf"));

    const auto r = Modify(paths);
    EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
    const std::string log = ErrorLog();
    for (std::size_t i = 0; i < files.size(); ++i) {
        EXPECT_TRUE(test::ReadFile(paths[i]) == files[i].second) << files[i].first << " changed";
        EXPECT_NE(log.find("Drawing: " + paths[i] + "  Error: "), std::string::npos) << files[i].first << "\n" << log;
    }
    EXPECT_TRUE(fs::is_directory(dir.File("folder.dxf")));
    EXPECT_TRUE(fs::is_empty(dir.File("folder.dxf")));
    EXPECT_NE(log.find("Drawing: " + dir.File("folder.dxf") + "  Error: "), std::string::npos) << log;
    EXPECT_EQ(robust::TempFiles(dir.Path()), std::vector<std::string>{});
}

// Copies of three samples cut at many lengths between fromPercent and toPercent
// of their size (the last few bytes, where the end marker lies, with toPercent 100).
struct CutCopies {
    std::vector<std::string> paths, contents;
};

CutCopies MakeCuts(const test::TempDir& dir, int fromPercent, int toPercent) {
    CutCopies cuts;
    for (const char* name : {"title-r2000.dxf", "title-r12-bin.dxf", "title-r2018-bin.dxf"}) {
        const std::string whole = robust::SampleBytes(name);
        std::vector<std::size_t> lengths;
        const std::size_t from = whole.size() * fromPercent / 100, to = whole.size() * toPercent / 100;
        if (fromPercent == 0) lengths = {1, 2, 5, 21, 22, 23, 100};
        for (std::size_t n = from + 37; n < to; n += whole.size() / 29) lengths.push_back(n);
        if (toPercent == 100) {
            // Without only its last line end the drawing is whole; one byte more is missing EOF.
            for (std::size_t back = 2; back <= 6; ++back) lengths.push_back(whole.size() - back);
        }
        for (std::size_t n : lengths) {
            cuts.contents.push_back(whole.substr(0, n));
            cuts.paths.push_back(dir.Write("cut/" + std::to_string(n) + "-" + name, cuts.contents.back()));
        }
    }
    return cuts;
}

void ExpectRefusedAndUnchanged(const CutCopies& cuts, const robust::BatchResult& r, const std::string& log) {
    EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
    for (std::size_t i = 0; i < cuts.paths.size(); ++i) {
        EXPECT_TRUE(test::ReadFile(cuts.paths[i]) == cuts.contents[i]) << cuts.paths[i] << " changed";
        EXPECT_NE(log.find("Drawing: " + cuts.paths[i] + "  Error: "), std::string::npos) << cuts.paths[i];
    }
}

// A drawing cut short is refused whole rather than saved in part.
TEST_F(BadInputTest, TruncatedDrawingsAreNotChanged) {
    const CutCopies cuts = MakeCuts(dir, 0, 60);
    const auto r = Modify(cuts.paths);
    ExpectRefusedAndUnchanged(cuts, r, ErrorLog());
}

// A drawing cut in its last section or in its end marker reads, but is never
// saved: the run reports it and leaves the file as it was.
TEST_F(BadInputTest, DrawingsCutInTheirLastPartAreNotChanged) {
    const CutCopies cuts = MakeCuts(dir, 60, 100);
    const auto r = Modify(cuts.paths);
    ExpectRefusedAndUnchanged(cuts, r, ErrorLog());
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
    EXPECT_EQ(robust::ListFolder(dir.File("locked")), std::vector<std::string>{"title.dxf"});
}

TEST_F(BadInputTest, TemplatesAndListFilesWithInvalidBytes) {
    const std::string original = robust::SampleBytes("title-r2000.dxf");
    const std::string drawing = dir.Write("title.dxf", original);

    // Bytes that are not UTF-8 are read as Latin-1: the value arrives as "é" and "ÿ".
    const std::string latin = dir.Write("latin.txt", "*INPUT\r\nBLOCK: TITLE\r\n*ATTRIBUTE_TAGS\r\nREV,r,\xE9\xFF\r\n");
    auto r = Modify({drawing}, latin);
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err << ErrorLog();
    bool found = false;
    for (const auto& [key, value] : robust::AttributeValues(drawing)) {
        if (key.ends_with("/REV")) {
            EXPECT_EQ(value, "\xC3\xA9\xC3\xBF");
            found = true;
        }
    }
    EXPECT_TRUE(found);

    // A NUL in a template or a list file: the run stops with a message, nothing is touched.
    test::TempDir other;
    const std::string copy = other.Write("title.dxf", original);
    const std::string nul = other.Write("nul.txt", std::string("*INPUT\r\n*ATTRIBUTE_TAGS\r\nREV,r,\0X\r\n", 30));
    r = Modify({copy}, nul);
    EXPECT_TRUE(test::ReadFile(copy) == original) << "a template with a NUL was applied";

    const std::string list = other.Write("bad.dlf", std::string("title.dxf,nul.txt\r\n\0\xFF\xFE", 22));
    r = robust::RunBatch({list}, home);
    EXPECT_NE(r.exitCode, 0);
    EXPECT_FALSE(r.out.empty() && r.err.empty()) << "no message";
    EXPECT_TRUE(test::ReadFile(copy) == original);
}

TEST_F(BadInputTest, HugeTemplateAndLongValue) {
    const std::string original = robust::SampleBytes("title-r2018.dxf");
    const std::string drawing = dir.Write("title.dxf", original);

    // 100,000 tag lines, of which one matches: the rest cost time but change nothing.
    std::string big = "*INPUT\r\nBLOCK: TITLE\r\n*ATTRIBUTE_TAGS\r\n";
    for (int i = 0; i < 100000; ++i) big += "NOTAG" + std::to_string(i) + ",r,x\r\n";
    big += "REV,r,Z\r\n";
    auto r = Modify({drawing}, dir.Write("big.txt", big));
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err << ErrorLog();
    int revs = 0;
    for (const auto& [key, value] : robust::AttributeValues(drawing)) {
        if (key.ends_with("/REV")) {
            EXPECT_EQ(value, "Z");
            ++revs;
        }
    }
    EXPECT_GT(revs, 0);

    // A 64 KiB value is either stored whole or refused with the drawing unchanged.
    std::string value;
    for (int i = 0; value.size() < 65536; ++i) value += "long title " + std::to_string(i) + " ";
    value.resize(65536);
    const std::string second = dir.Write("second.dxf", original);
    r = Modify({second}, dir.Write("long.txt", "*INPUT\r\n*ATTRIBUTE_TAGS\r\nTITLE,r," + value + "\r\n"));
    if (r.exitCode == 0) {
        int titles = 0;
        for (const auto& [key, v] : robust::AttributeValues(second)) {
            if (key.ends_with("/TITLE")) {
                EXPECT_EQ(v.size(), value.size());
                EXPECT_TRUE(v == value);
                ++titles;
            }
        }
        EXPECT_GT(titles, 0);
    } else {
        EXPECT_TRUE(test::ReadFile(second) == original);
        EXPECT_FALSE(ErrorLog().empty());
    }
}

}  // namespace
}  // namespace kel
