#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "runs/ListFile.h"
#include "runs/Wildcard.h"
#include "support/TempDir.h"

namespace kel {
namespace {

using Kind = ListLine::Kind;

TEST(ListLineTest, SkipsCommentsBlankLinesAndLinesWithoutComma) {
    EXPECT_EQ(ParseListLine("").kind, Kind::Skip);
    EXPECT_EQ(ParseListLine("    ").kind, Kind::Skip);
    EXPECT_EQ(ParseListLine("' /dwg/a.dwg,/t.txt").kind, Kind::Skip);
    EXPECT_EQ(ParseListLine("   ' indented comment, with comma").kind, Kind::Skip);
    EXPECT_EQ(ParseListLine("/dwg/a.dwg").kind, Kind::Skip);
    EXPECT_EQ(ParseListLine("\t/dwg/a.dwg,/t.txt").kind, Kind::Entry) << "only spaces are blanks";
}

TEST(ListLineTest, EndInAnyCaseWithBlanksButNotInsideAnEntryOrComment) {
    EXPECT_EQ(ParseListLine("END").kind, Kind::End);
    EXPECT_EQ(ParseListLine("  end  ").kind, Kind::End);
    EXPECT_EQ(ParseListLine("End").kind, Kind::End);
    EXPECT_EQ(ParseListLine("' END").kind, Kind::Skip);
    EXPECT_EQ(ParseListLine("ENDING").kind, Kind::Skip);
    EXPECT_EQ(ParseListLine("END,/t.txt").kind, Kind::Entry);
}

TEST(ListLineTest, SplitsAtTheFirstCommaKeepingCaseAndBlanks) {
    ListLine l = ParseListLine("  /Dwg/A-101.dwg,/Templates/Title.txt  ");
    EXPECT_EQ(l.strDrawing, "/Dwg/A-101.dwg");
    EXPECT_EQ(l.strTemplate, "/Templates/Title.txt");
    l = ParseListLine("/dwg/a.dwg , /t,with,commas.txt");
    EXPECT_EQ(l.strDrawing, "/dwg/a.dwg ");
    EXPECT_EQ(l.strTemplate, " /t,with,commas.txt");
    l = ParseListLine(",/t.txt");
    EXPECT_EQ(l.kind, Kind::Entry);
    EXPECT_EQ(l.strDrawing, "");
}

TEST(ListFileReadTest, EveryLineEndFormAndAMissingLastEnd) {
    test::TempDir dir;
    std::vector<std::string> lines;
    std::string err;
    ASSERT_TRUE(ReadListFile(dir.Write("a.dlf", "one\r\ntwo\rthree\nfour"), lines, err));
    EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", "three", "four"}));
    ASSERT_TRUE(ReadListFile(dir.Write("b.dlf", "\r\n\r\nx\r\n"), lines, err));
    EXPECT_EQ(lines, (std::vector<std::string>{"", "", "x"}));
    ASSERT_TRUE(ReadListFile(dir.Write("c.dlf", "/dwg/pl\xE4n.dwg,/t.txt\r\n"), lines, err));
    EXPECT_EQ(lines, (std::vector<std::string>{"/dwg/pl\xC3\xA4n.dwg,/t.txt"})) << "Latin-1 is decoded";
}

TEST(ListFileReadTest, FolderBinaryAndLockedFilesAreRefused) {
    test::TempDir dir;
    std::vector<std::string> lines;
    std::string err;
    EXPECT_FALSE(ReadListFile(dir.Path(), lines, err));
    EXPECT_FALSE(err.empty());
    err.clear();
    EXPECT_FALSE(ReadListFile(dir.Write("bin.dlf", std::string("AC1015\0\0\x01", 9)), lines, err));
    EXPECT_FALSE(err.empty());
    EXPECT_FALSE(ReadListFile(dir.File("missing.dlf"), lines, err));
    const std::string locked = dir.Write("locked.dlf", "/a.dwg,/t.txt\r\n");
    std::filesystem::permissions(locked, std::filesystem::perms::none);
    if (!std::ifstream(locked)) {  // an administrator reads it anyway
        EXPECT_FALSE(ReadListFile(locked, lines, err));
    }
}

TEST(WildcardTest, StarQuestionMarkAndCase) {
    EXPECT_TRUE(WildcardMatch("A*.dwg", "a-101.DWG"));
    EXPECT_TRUE(WildcardMatch("a*.DWG", "A.dwg"));
    EXPECT_FALSE(WildcardMatch("A*.dwg", "B-101.dwg"));
    EXPECT_FALSE(WildcardMatch("A*.dwg", "A-101.dwg.bak"));
    EXPECT_TRUE(WildcardMatch("A-1?1.dxf", "a-101.dxf"));
    EXPECT_FALSE(WildcardMatch("A-1?1.dxf", "a-11.dxf"));
    EXPECT_TRUE(WildcardMatch("*a*b*", "xxaYYbzz"));
    EXPECT_FALSE(WildcardMatch("*a*b*", "xxbYYazz"));
    EXPECT_FALSE(WildcardMatch("pl??n.dwg", "pl\xC3\xA4n.dwg"));
    EXPECT_TRUE(WildcardMatch("pl?n.dwg", "pl\xC3\xA4n.dwg")) << "? is one character, not one byte";
    EXPECT_TRUE(WildcardMatch("*", ""));
    EXPECT_FALSE(WildcardMatch("?", ""));
}

TEST(WildcardTest, StarDotStarMatchesNamesWithoutExtension) {
    EXPECT_TRUE(WildcardMatch("*.*", "README"));
    EXPECT_TRUE(WildcardMatch("*.*", "a.dwg"));
    EXPECT_TRUE(WildcardMatch("A*.*", "ABC"));
    EXPECT_FALSE(WildcardMatch("*.dwg", "dwg"));
    EXPECT_TRUE(HasWildcard("A?"));
    EXPECT_FALSE(HasWildcard("A-101.dwg"));
}

}  // namespace
}  // namespace kel
