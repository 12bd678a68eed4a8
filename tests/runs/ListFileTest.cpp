#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "runs/ListFile.h"
#include "runs/Wildcard.h"
#include "support/TempDir.h"

namespace kel {
namespace {

using Kind = ListLine::Kind;

TEST(ListFileTest, LineKinds) {
    for (const char* skipped : {"", "    ", "' /a.dwg,/t.txt", "  ' END", "/dwg/a.dwg", "ENDING"}) {
        EXPECT_EQ(ParseListLine(skipped).kind, Kind::Skip) << skipped;
    }
    for (const char* end : {"END", "  end  ", "End"}) EXPECT_EQ(ParseListLine(end).kind, Kind::End) << end;
    EXPECT_EQ(ParseListLine("END,/t.txt").kind, Kind::Entry);
    EXPECT_EQ(ParseListLine("\t/a.dwg,/t.txt").strDrawing, "\t/a.dwg") << "only spaces are blanks";
}

TEST(ListFileTest, EntriesSplitAtTheFirstCommaKeepingCaseAndBlanks) {
    ListLine l = ParseListLine("  /Dwg/A-101.dwg,/Templates/Title.txt  ");
    EXPECT_EQ(l.strDrawing + "|" + l.strTemplate, "/Dwg/A-101.dwg|/Templates/Title.txt");
    l = ParseListLine("/dwg/a.dwg , /t,with,commas.txt");
    EXPECT_EQ(l.strDrawing + "|" + l.strTemplate, "/dwg/a.dwg | /t,with,commas.txt");
}

TEST(ListFileTest, ReadingLinesAndRefusingWhatIsNoTextFile) {
    test::TempDir dir;
    std::vector<std::string> lines;
    std::string err;
    ASSERT_TRUE(ReadListFile(dir.Write("a.dlf", "one\r\ntwo\rthree\n\r\nfive"), lines, err));
    EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", "three", "", "five"}));
    ASSERT_TRUE(ReadListFile(dir.Write("c.dlf", "/pl\xE4n.dwg,/t.txt\r\n"), lines, err));
    EXPECT_EQ(lines, std::vector<std::string>{"/pl\xC3\xA4n.dwg,/t.txt"}) << "Latin-1 is decoded";

    EXPECT_FALSE(ReadListFile(dir.Path(), lines, err));
    EXPECT_FALSE(ReadListFile(dir.Write("bin.dlf", std::string("AC1015\0\x01", 8)), lines, err));
    EXPECT_FALSE(err.empty());
    const std::string locked = dir.Write("locked.dlf", "/a.dwg,/t.txt\r\n");
    std::filesystem::permissions(locked, std::filesystem::perms::none);
    if (!std::ifstream(locked)) {  // an administrator reads it anyway
        EXPECT_FALSE(ReadListFile(locked, lines, err));
    }
}

TEST(ListFileTest, WildcardsIgnoreCaseAndCountCharactersNotBytes) {
    for (auto [pattern, name] : std::vector<std::pair<const char*, const char*>>{
             {"A*.dwg", "a-101.DWG"}, {"A-1?1.dxf", "a-101.dxf"}, {"*a*b*", "xxaYYbzz"}, {"*", ""},
             {"pl?n.dwg", "pl\xC3\xA4n.dwg"}, {"*.*", "README"}, {"A*.*", "ABC"}, {"*.*", "a.dwg"}}) {
        EXPECT_TRUE(WildcardMatch(pattern, name)) << pattern << " " << name;
    }
    for (auto [pattern, name] : std::vector<std::pair<const char*, const char*>>{
             {"A*.dwg", "B-101.dwg"}, {"A*.dwg", "A-101.dwg.bak"}, {"A-1?1.dxf", "a-11.dxf"},
             {"*a*b*", "xxbYYazz"}, {"?", ""}, {"pl??n.dwg", "pl\xC3\xA4n.dwg"}, {"*.dwg", "dwg"}}) {
        EXPECT_FALSE(WildcardMatch(pattern, name)) << pattern << " " << name;
    }
}

}  // namespace
}  // namespace kel
