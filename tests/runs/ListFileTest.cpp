// The pieces of the runs: list file lines, wildcards and folder scans, time
// stamps and seconds.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "runs/ListFile.h"
#include "runs/PathText.h"
#include "runs/RunFormats.h"
#include "runs/Wildcard.h"
#include "runs/WildcardScan.h"
#include "RunTestSupport.h"

namespace kel::test {
namespace {

namespace fs = std::filesystem;
using Kind = ListLine::Kind;
using Strings = std::vector<std::string>;

TEST(ListFileTest, LineKindsAndEntriesSplitAtTheFirstComma) {
    for (const char* skipped : {"", "    ", "' /a.dwg,/t.txt", "  ' END", "/dwg/a.dwg", "ENDING"}) {
        EXPECT_EQ(ParseListLine(skipped).kind, Kind::Skip) << skipped;
    }
    for (const char* end : {"END", "  end  ", "End"}) EXPECT_EQ(ParseListLine(end).kind, Kind::End) << end;
    EXPECT_EQ(ParseListLine("END,/t.txt").kind, Kind::Entry);
    // Only spaces are blanks; case and inner blanks stay.
    for (const auto& [line, parts] : std::vector<std::pair<const char*, const char*>>{
             {"\t/a.dwg,/t.txt", "\t/a.dwg|/t.txt"},
             {"  /Dwg/A-101.dwg,/Templates/Title.txt  ", "/Dwg/A-101.dwg|/Templates/Title.txt"},
             {"/dwg/a.dwg , /t,with,commas.txt", "/dwg/a.dwg | /t,with,commas.txt"}}) {
        const ListLine l = ParseListLine(line);
        EXPECT_EQ(l.strDrawing + "|" + l.strTemplate, parts);
    }
}

TEST(ListFileTest, ReadingLinesAndRefusingWhatIsNoTextFile) {
    TempDir dir;
    Strings lines;
    std::string err;
    ASSERT_TRUE(ReadListFile(dir.Write("a.dlf", "one\r\ntwo\rthree\n\r\nfive\r\n/pl\xE4n.dwg"), lines, err));
    EXPECT_EQ(lines, (Strings{"one", "two", "three", "", "five", "/pl\xC3\xA4n.dwg"})) << "Latin-1 is decoded";
    EXPECT_FALSE(ReadListFile(dir.Path(), lines, err));
    EXPECT_FALSE(ReadListFile(dir.Write("bin.dlf", std::string("AC1015\0\x01", 8)), lines, err));
    EXPECT_FALSE(err.empty());
    const std::string locked = dir.Write("locked.dlf", "/a.dwg,/t.txt\r\n");
    fs::permissions(locked, fs::perms::none);
    if (!std::ifstream(locked)) {  // an administrator reads it anyway
        EXPECT_FALSE(ReadListFile(locked, lines, err));
    }
}

TEST(ListFileTest, WildcardsIgnoreCaseAndCountCharactersNotBytes) {
    for (auto [pattern, name, match] : std::vector<std::tuple<const char*, const char*, bool>>{
             {"A*.dwg", "a-101.DWG", true}, {"A-1?1.dxf", "a-101.dxf", true}, {"*a*b*", "xxaYYbzz", true},
             {"*", "", true}, {"pl?n.dwg", "pl\xC3\xA4n.dwg", true}, {"*.*", "README", true}, {"A*.*", "ABC", true},
             {"A*.dwg", "B-101.dwg", false}, {"A*.dwg", "A-101.dwg.bak", false}, {"A-1?1.dxf", "a-11.dxf", false},
             {"*a*b*", "xxbYYazz", false}, {"?", "", false}, {"pl??n.dwg", "pl\xC3\xA4n.dwg", false},
             {"*.dwg", "dwg", false}}) {
        EXPECT_EQ(WildcardMatch(pattern, name), match) << pattern << " " << name;
    }
}

// root/ a1.dwg A2.DWG b1.dwg notes.txt .a-hidden.dwg sub/a3.dwg sub/deep/a4.dwg
//       .hidden/a5.dwg Zed/a6.dwg Zed/a6.dxf
TEST(ScanTest, FolderListingAndTreeScan) {
    TempDir dir;
    for (const char* f : {"a1.dwg", "A2.DWG", "b1.dwg", "notes.txt", ".a-hidden.dwg", "sub/a3.dwg", "sub/deep/a4.dwg",
                          ".hidden/a5.dwg", "Zed/a6.dwg", "Zed/a6.dxf"}) {
        dir.Write(std::string("root/") + f, "x");
    }
    const std::string root = dir.File("root");
    RecordingStatus<IStatusLine> status;
    // A folder listing leaves hidden files out.
    EXPECT_EQ(ListMatchingFiles(root + "/", "A*.DWG", status), (Strings{root + "/a1.dwg", root + "/A2.DWG"}));
    EXPECT_EQ(status.messages.front(), "Scanning " + root + "/...");
    EXPECT_TRUE(ListMatchingFiles(root + "/nowhere/", "*.dwg", status).empty());
    // A tree scan gives the folder's files first, then subfolders depth first in name order.
    const Strings found = ScanFolder(root, "*a*.dwg", status);
    Strings expected = {".a-hidden.dwg", "a1.dwg", "A2.DWG", "sub/a3.dwg", "sub/deep/a4.dwg", "Zed/a6.dwg"};
    for (auto& f : expected) f = root + "/" + f;
    EXPECT_EQ(found, expected);
    EXPECT_TRUE(status.Shown("Scanning " + root + "/sub..."));
    EXPECT_FALSE(status.Shown("Scanning " + root + "/.hidden..."));
    EXPECT_EQ(ScanFolder(root + "/", "*a*.dwg", status), found);
    std::error_code ec;
    fs::create_directory_symlink(root, root + "/sub/back-to-root", ec);
    fs::create_directory_symlink(root + "/sub", root + "/sub/deep/up", ec);
    if (!ec) {
        EXPECT_EQ(ScanFolder(root, "*a*.dwg", status), found) << "each real folder is entered once";
    }
    // A path without a folder uses the current folder.
    const fs::path before = fs::current_path();
    fs::current_path(root);
    const Strings flat = ListMatchingFiles("", "a*.dwg", status), tree = ScanFolder("", "a*.dwg", status);
    fs::current_path(before);
    EXPECT_EQ(flat, (Strings{"a1.dwg", "A2.DWG"}));
    EXPECT_EQ(tree, (Strings{"a1.dwg", "A2.DWG", "sub/a3.dwg", "sub/deep/a4.dwg", "Zed/a6.dwg"}));
}

TEST(RunTextTest, TimestampsSecondsAndPaths) {
    auto at = [](int y, int mo, int d, int h, int mi, int s) {
        std::tm t{};
        t.tm_year = y - 1900, t.tm_mon = mo - 1, t.tm_mday = d, t.tm_hour = h, t.tm_min = mi, t.tm_sec = s;
        return FormatTimestamp(t);
    };
    EXPECT_EQ(at(2026, 12, 5, 5, 14, 49), "12/05/2026 05:14:49 am");
    EXPECT_EQ(at(2026, 1, 2, 12, 0, 0), "01/02/2026 12:00:00 pm");
    EXPECT_EQ(at(2026, 1, 2, 0, 0, 0), "01/02/2026 12:00:00 am");
    EXPECT_EQ(at(987, 7, 31, 23, 59, 58), "07/31/0987 11:59:58 pm");
    // Seconds are grouped and rounded into the integer part.
    for (auto [seconds, text] : std::vector<std::pair<double, std::string>>{
             {0.25, "0.25"}, {0, "0.00"}, {0.004, "0.00"}, {1234.5, "1,234.50"}, {999.999, "1,000.00"},
             {123456.004, "123,456.00"}, {1234567.891, "1,234,567.89"}}) {
        EXPECT_EQ(FormatSeconds(seconds, NumberSeparators{}), text);
    }
    SetNumberSeparators({".", ","});
    EXPECT_EQ(ModifiedSummary(3, 1234.5), "Attributes for 3 file(s) modified in 1.234,50 second(s).");
    SetNumberSeparators({});
    EXPECT_EQ(UpperAscii("pl\xC3\xA4n-1.dxf"), "PL\xC3\xA4N-1.DXF") << "bytes of other letters stay";
}

}  // namespace
}  // namespace kel::test
