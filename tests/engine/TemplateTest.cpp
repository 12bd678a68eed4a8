// Reading template files: results and messages, headers, keys, tag lines, line
// ends and text encodings.
#include <gtest/gtest.h>

#include "engine/TextLines.h"
#include "engine/cAutoCAD.h"
#include "support/TempDir.h"

namespace kel {
namespace {

using Lines = std::vector<std::string>;

class TemplateTest : public ::testing::Test {
protected:
    std::int16_t Prep(const std::string& bytes) {
        err.clear();
        return engine.PrepTemplate(dir.Write("t.txt", bytes), err);
    }
    test::TempDir dir;
    cAutoCAD engine{ComponentFactory{}, nullptr, dir.Path()};
    std::string err;
};

TEST_F(TemplateTest, EachOutcomeHasItsResultAndMessage) {
    ASSERT_EQ(Prep("Drawing title list\r\n  *input  \r\nBlock: TITLE,REV\r\nSpace: model\r\n*ATTRIBUTE_TAGS\r\n"
                   "' set the drawing number\r\nDWGNO,r,A-101\r\nt,DATE,2006-05-01\r\n"), 1);
    EXPECT_EQ(err, "");
    EXPECT_EQ(engine.strTagLines, (Lines{"DWGNO,r,A-101", "t,DATE,2006-05-01"}));

    EXPECT_EQ(Prep(""), -1);
    EXPECT_EQ(err, "Template file requires '*INPUT'.");
    EXPECT_EQ(Prep("BLOCK: X\r\n*ATTRIBUTE_TAGS\r\nA,d\r\n"), -1);
    EXPECT_EQ(Prep("*INPUT"), -2);
    EXPECT_EQ(err, "Template file requires '*ATTRIBUTE_TAGS'.");
    EXPECT_EQ(Prep("*INPUT\r\n*ATTRIBUTE_TAGS\r\n  \r\n' only comments\r\n\r\n   ' indented\r\n"), -3);
    EXPECT_EQ(err, "Template file requires attribute tags.");
    for (const std::string& path : {dir.File("no such.txt"), dir.Path()}) {
        err = "earlier ";
        EXPECT_EQ(engine.PrepTemplate(path, err), 0);
        EXPECT_EQ(err, "Unable to open template file '" + path + "'.");
    }
    // Success leaves the message alone.
    EXPECT_EQ(engine.PrepTemplate(dir.Write("ok.txt", "*INPUT\n*ATTRIBUTE_TAGS\nA,d\n"), err), 1);
    EXPECT_EQ(err, "Unable to open template file '" + dir.Path() + "'.");
}

TEST_F(TemplateTest, TagHeaderMustBeExactUnlessItIsTheLastLine) {
    const std::pair<const char*, int> cases[] = {{"*INPUT\r\n *ATTRIBUTE_TAGS\r\nA,d\r\n", -2},
        {"*INPUT\r\n*Attribute_Tags\r\nA,d\r\n", -2}, {"*INPUT\r\n*Attribute_Tags\r\n", -3},
        {"*INPUT\r\n  *ATTRIBUTE_TAGS  ", -3}};
    for (const auto& [text, rc] : cases) EXPECT_EQ(Prep(text), rc) << text;
}

TEST_F(TemplateTest, KeysAreReducedAndOnlyReadInTheInputSection) {
    ASSERT_EQ(Prep("block: X\r\n*INPUT\r\nblock:   Title  \r\nLAYER:a\r\nlayer: b, c\r\nBLOCKS: X\r\n"
                   "LAYOUT:Layout1\r\n\tSPACE: tab\r\n*ATTRIBUTE_TAGS\r\nBLOCK: Y\r\n"), 1);
    EXPECT_EQ(engine.strBlockFilter, "TITLE");
    EXPECT_EQ(engine.strLayerFilter, "B, C");
    EXPECT_EQ(engine.strLayoutFilter, "LAYOUT1");
    EXPECT_EQ(engine.strSpaceFilter, "");  // a tab is not a blank
    EXPECT_EQ(engine.strTagLines, (Lines{"BLOCK: Y"}));
    // Only ASCII letters change case.
    ASSERT_EQ(Prep("*INPUT\r\nBLOCK: A\r\nBLOCK:\r\nlayout: größe\r\n*ATTRIBUTE_TAGS\r\nx\r\n"), 1);
    EXPECT_EQ(engine.strBlockFilter, "");
    EXPECT_EQ(engine.strLayoutFilter, "GRößE");
}

TEST_F(TemplateTest, TagLinesLoseBlanksOnlyAndKeepTheirCase) {
    ASSERT_EQ(Prep("*INPUT\r\n*ATTRIBUTE_TAGS\r\n   TITLE,r,Rev A   \r\n\tREV,c\t\r\n'DWGNO,d\r\nNOTE,r,it's\r\n"), 1);
    EXPECT_EQ(engine.strTagLines, (Lines{"TITLE,r,Rev A", "\tREV,c\t", "NOTE,r,it's"}));
}

TEST_F(TemplateTest, FailedCallDropsTagLinesAndResetsFiltersOnlyOnceInputIsFound) {
    ASSERT_EQ(Prep("*INPUT\r\nBLOCK: T\r\n*ATTRIBUTE_TAGS\r\nA,d\r\n"), 1);
    EXPECT_EQ(Prep("no header\r\n"), -1);
    EXPECT_TRUE(engine.strTagLines.empty());
    EXPECT_EQ(engine.strBlockFilter, "T");
    EXPECT_EQ(Prep("*INPUT\r\n"), -2);
    EXPECT_EQ(engine.strBlockFilter, "");
}

TEST_F(TemplateTest, LinesEndAtCrLfLoneCrAndLoneLf) {
    for (const std::string eol : {"\r\n", "\r", "\n"}) {
        ASSERT_EQ(Prep("*INPUT" + eol + "BLOCK: T" + eol + "*ATTRIBUTE_TAGS" + eol + "A,d" + eol + eol + "B,c"), 1);
        EXPECT_EQ(engine.strBlockFilter, "T");
        EXPECT_EQ(engine.strTagLines, (Lines{"A,d", "B,c"}));
    }
}

TEST_F(TemplateTest, TextIsUtf8OrElseLatin1) {
    ASSERT_EQ(Prep("\xEF\xBB\xBF*INPUT\r\n*ATTRIBUTE_TAGS\r\nTITLE,r,Gr\xC3\xB6\xC3\x9F" "e \xCE\xA9\r\n"), 1);
    EXPECT_EQ(engine.strTagLines[0], "TITLE,r,Größe Ω");
    ASSERT_EQ(Prep("*INPUT\r\n*ATTRIBUTE_TAGS\r\nTITLE,r,Gr\xF6\xDF" "e\r\n"), 1);
    EXPECT_EQ(engine.strTagLines[0], "TITLE,r,Größe");
}

TEST_F(TemplateTest, ManyTagLinesAndTheBundledSample) {
    std::string bytes = "*INPUT\n*ATTRIBUTE_TAGS\n";
    for (int i = 0; i < 40000; ++i) bytes += "T" + std::to_string(i) + ",d\n";
    ASSERT_EQ(Prep(bytes), 1);
    EXPECT_EQ(engine.strTagLines.size(), 40000u);  // beyond 16 bits
    ASSERT_EQ(engine.PrepTemplate(std::string(KEL_SOURCE_DIR) + "/examples/title-block.txt", err), 1) << err;
    EXPECT_EQ(engine.strTagLines.size(), 4u);
}

TEST(TextLinesTest, Utf8ValidationAndLineSplitting) {
    EXPECT_TRUE(IsValidUtf8("Größe Ω 設計 \xF0\x9F\x98\x80"));
    for (const char* bad : {"\xC3", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "a\x80z"}) {
        EXPECT_FALSE(IsValidUtf8(bad)) << bad;
    }
    EXPECT_EQ(SplitLines(""), Lines{});
    EXPECT_EQ(SplitLines("\r\n"), Lines{""});
    EXPECT_EQ(SplitLines("a\r\r\nb\n\nc\r"), (Lines{"a", "", "b", "", "c"}));
    EXPECT_EQ(SplitLines("a\n\rb"), (Lines{"a", "", "b"}));
}

}  // namespace
}  // namespace kel
