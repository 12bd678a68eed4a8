// Reading template files: results and messages, headers, keys, tag lines, line
// ends and text encodings.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/TextLines.h"
#include "engine/cAutoCAD.h"
#include "support/TempDir.h"

namespace kel {
namespace {

class TemplateTest : public ::testing::Test {
protected:
    // Reads a template written from the given bytes; the message lands in err.
    std::int16_t Prep(const std::string& bytes) {
        err.clear();
        return engine.PrepTemplate(dir.Write("t.txt", bytes), err);
    }
    test::TempDir dir;
    cAutoCAD engine{ComponentFactory{}, nullptr, dir.Path()};
    std::string err;
};

using Lines = std::vector<std::string>;

TEST_F(TemplateTest, ValidTemplateKeepsFiltersAndTagLines) {
    ASSERT_EQ(Prep("Drawing title list\r\n"
                   "  *input  \r\n"
                   "Block: TITLE,REV\r\n"
                   "Space: model\r\n"
                   "*ATTRIBUTE_TAGS\r\n"
                   "' set the drawing number\r\n"
                   "DWGNO,r,A-101\r\n"
                   "t,DATE,2006-05-01\r\n"),
              1);
    EXPECT_EQ(err, "");
    EXPECT_EQ(engine.strBlockFilter, "TITLE,REV");
    EXPECT_EQ(engine.strSpaceFilter, "MODEL");
    EXPECT_EQ(engine.strLayerFilter, "");
    EXPECT_EQ(engine.strLayoutFilter, "");
    EXPECT_EQ(engine.strTagLines, (Lines{"DWGNO,r,A-101", "t,DATE,2006-05-01"}));
}

TEST_F(TemplateTest, EachFailureHasItsResultAndMessage) {
    EXPECT_EQ(Prep(""), -1);
    EXPECT_EQ(err, "Template file requires '*INPUT'.");
    EXPECT_EQ(Prep("BLOCK: X\r\n*ATTRIBUTE_TAGS\r\nA,d\r\n"), -1);

    EXPECT_EQ(Prep("*INPUT\r\nBLOCK: X\r\n"), -2);
    EXPECT_EQ(err, "Template file requires '*ATTRIBUTE_TAGS'.");
    EXPECT_EQ(Prep("*INPUT"), -2);

    EXPECT_EQ(Prep("*INPUT\r\n*ATTRIBUTE_TAGS\r\n"), -3);
    EXPECT_EQ(err, "Template file requires attribute tags.");
    EXPECT_EQ(Prep("*INPUT\r\n*ATTRIBUTE_TAGS\r\n   \r\n' only a comment\r\n\r\n   ' indented comment\r\n"), -3);

    const std::string missing = dir.File("no such.txt");
    err.clear();
    EXPECT_EQ(engine.PrepTemplate(missing, err), 0);
    EXPECT_EQ(err, "Unable to open template file '" + missing + "'.");
    err.clear();
    EXPECT_EQ(engine.PrepTemplate(dir.Path(), err), 0);
    EXPECT_EQ(err, "Unable to open template file '" + dir.Path() + "'.");
}

TEST_F(TemplateTest, MessageIsWrittenOnlyOnFailureAndNeverCleared) {
    err = "earlier";
    EXPECT_EQ(engine.PrepTemplate(dir.Write("ok.txt", "*INPUT\n*ATTRIBUTE_TAGS\nA,d\n"), err), 1);
    EXPECT_EQ(err, "earlier");
    EXPECT_EQ(engine.PrepTemplate(dir.File("ok.txt")), 1);  // without a message parameter
}

TEST_F(TemplateTest, TagHeaderMustBeExactUnlessItIsTheLastLine) {
    // Not the exact header: an ignored line of the *INPUT section, so the real
    // tag lines after it are never read.
    EXPECT_EQ(Prep("*INPUT\r\n *ATTRIBUTE_TAGS\r\nA,d\r\n"), -2);
    EXPECT_EQ(Prep("*INPUT\r\n*Attribute_Tags\r\nA,d\r\n"), -2);
    EXPECT_TRUE(engine.strTagLines.empty());
    // The same lines as the very last line of the file give -3 instead.
    EXPECT_EQ(Prep("*INPUT\r\n*Attribute_Tags\r\n"), -3);
    EXPECT_EQ(Prep("*INPUT\r\n  *ATTRIBUTE_TAGS  "), -3);
    // Headers right after one another: no filters, valid with tag lines.
    EXPECT_EQ(Prep("*INPUT\r\n*ATTRIBUTE_TAGS\r\nA,d\r\n"), 1);
}

TEST_F(TemplateTest, KeysAreReducedAndTheLastOneWins) {
    ASSERT_EQ(Prep("block: X\r\n"           // before the header: ignored
                   "*INPUT\r\n"
                   "block:   Title  \r\n"
                   "LAYER:a\r\n"
                   "layer: b, c\r\n"       // given twice: the last value
                   "BLOCKS: X\r\n"         // misspelled: ignored
                   "LAYOUT:Layout1\r\n"
                   "\tSPACE: tab\r\n"      // a tab is not a blank: ignored
                   "' comment\r\n"
                   "*ATTRIBUTE_TAGS\r\n"
                   "BLOCK: Y\r\n"),         // after the header: a tag line
              1);
    EXPECT_EQ(engine.strBlockFilter, "TITLE");
    EXPECT_EQ(engine.strLayerFilter, "B, C");
    EXPECT_EQ(engine.strLayoutFilter, "LAYOUT1");
    EXPECT_EQ(engine.strSpaceFilter, "");
    EXPECT_EQ(engine.strTagLines, (Lines{"BLOCK: Y"}));

    ASSERT_EQ(Prep("*INPUT\r\nBLOCK: A\r\nBLOCK:\r\n*ATTRIBUTE_TAGS\r\nx\r\n"), 1);
    EXPECT_EQ(engine.strBlockFilter, "");
    // Only ASCII letters change case; other characters are kept as written.
    ASSERT_EQ(Prep("*INPUT\r\nlayout: größe\r\n*ATTRIBUTE_TAGS\r\nx\r\n"), 1);
    EXPECT_EQ(engine.strLayoutFilter, "GRößE");
}

TEST_F(TemplateTest, TagLinesAreTrimmedOfBlanksOnlyAndKeepTheirCase) {
    ASSERT_EQ(Prep("*INPUT\r\n*ATTRIBUTE_TAGS\r\n"
                   "   TITLE,r,Rev A   \r\n"
                   "\tREV,c\t\r\n"
                   "'DWGNO,d\r\n"
                   "NOTE,r,it's\r\n"),
              1);
    EXPECT_EQ(engine.strTagLines, (Lines{"TITLE,r,Rev A", "\tREV,c\t", "NOTE,r,it's"}));
}

TEST_F(TemplateTest, FailedCallDropsTagLinesButKeepsFiltersUntilInputIsFound) {
    ASSERT_EQ(Prep("*INPUT\r\nBLOCK: T\r\n*ATTRIBUTE_TAGS\r\nA,d\r\n"), 1);
    EXPECT_EQ(Prep("no header\r\n"), -1);
    EXPECT_TRUE(engine.strTagLines.empty());
    EXPECT_EQ(engine.strBlockFilter, "T");
    EXPECT_EQ(Prep("*INPUT\r\n"), -2);
    EXPECT_EQ(engine.strBlockFilter, "");
}

TEST_F(TemplateTest, LinesEndAtCrLfLoneCrAndLoneLf) {
    const std::string body = "*INPUT|BLOCK: T|*ATTRIBUTE_TAGS|A,d||B,c|";
    for (const std::string eol : {"\r\n", "\r", "\n"}) {
        std::string bytes;
        for (char c : body) c == '|' ? bytes += eol : bytes += c;
        ASSERT_EQ(Prep(bytes), 1) << "line end " << (eol == "\n" ? "LF" : eol == "\r" ? "CR" : "CRLF");
        EXPECT_EQ(engine.strBlockFilter, "T");
        EXPECT_EQ(engine.strTagLines, (Lines{"A,d", "B,c"}));
    }
    ASSERT_EQ(Prep("*INPUT\n\r*ATTRIBUTE_TAGS\r\n\nA,d"), 1);  // mixed, last line unterminated
    EXPECT_EQ(engine.strTagLines, (Lines{"A,d"}));
}

TEST_F(TemplateTest, TextIsUtf8OrElseLatin1) {
    ASSERT_EQ(Prep("*INPUT\r\n*ATTRIBUTE_TAGS\r\nTITLE,r,Gr\xC3\xB6\xC3\x9F" "e \xCE\xA9\r\n"), 1);
    EXPECT_EQ(engine.strTagLines[0], "TITLE,r,Größe Ω");
    // The same word in Latin-1 bytes.
    ASSERT_EQ(Prep("*INPUT\r\n*ATTRIBUTE_TAGS\r\nTITLE,r,Gr\xF6\xDF" "e\r\n"), 1);
    EXPECT_EQ(engine.strTagLines[0], "TITLE,r,Größe");
    // A byte order mark does not hide the header on the first line.
    ASSERT_EQ(Prep("\xEF\xBB\xBF*INPUT\r\n*ATTRIBUTE_TAGS\r\nA,d\r\n"), 1);
}

TEST_F(TemplateTest, MoreThan32767TagLinesAreAllKept) {
    std::string bytes = "*INPUT\n*ATTRIBUTE_TAGS\n";
    for (int i = 0; i < 40000; ++i) bytes += "T" + std::to_string(i) + ",d\n";
    ASSERT_EQ(Prep(bytes), 1);
    ASSERT_EQ(engine.strTagLines.size(), 40000u);
    EXPECT_EQ(engine.strTagLines.back(), "T39999,d");
}

TEST_F(TemplateTest, BundledSampleTemplateIsValid) {
    err.clear();
    ASSERT_EQ(engine.PrepTemplate(std::string(KEL_SOURCE_DIR) + "/examples/title-block.txt", err), 1) << err;
    EXPECT_EQ(engine.strBlockFilter, "TITLE");
    EXPECT_EQ(engine.strTagLines.size(), 4u);
}

TEST(TextLinesTest, Utf8ValidationRejectsMalformedSequences) {
    EXPECT_TRUE(IsValidUtf8("plain Größe Ω 設計 \xF0\x9F\x98\x80"));
    EXPECT_FALSE(IsValidUtf8("\xC3"));               // cut short
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));           // overlong
    EXPECT_FALSE(IsValidUtf8("\xE0\x80\xAF"));       // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));       // surrogate
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));   // beyond U+10FFFF
    EXPECT_FALSE(IsValidUtf8("a\x80z"));             // stray continuation
    EXPECT_EQ(Latin1ToUtf8("\xA9\xFF" "a"), "©ÿa");
}

TEST(TextLinesTest, SplitKeepsEmptyLinesButAddsNoneAtTheEnd) {
    EXPECT_EQ(SplitLines(""), Lines{});
    EXPECT_EQ(SplitLines("a"), Lines{"a"});
    EXPECT_EQ(SplitLines("a\r\n"), Lines{"a"});
    EXPECT_EQ(SplitLines("\r\n"), Lines{""});
    EXPECT_EQ(SplitLines("a\r\r\nb\n\nc\r"), (Lines{"a", "", "b", "", "c"}));
    EXPECT_EQ(SplitLines("a\n\rb"), (Lines{"a", "", "b"}));
}

}  // namespace
}  // namespace kel
