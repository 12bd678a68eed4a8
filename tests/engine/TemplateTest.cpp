// Reading template files (results and messages, headers, keys, tag lines, line
// ends, text encodings), the line readers under it, and the string builder.
#include <gtest/gtest.h>

#include <string_view>

#include "engine/TextLines.h"
#include "engine/cAutoCAD.h"
#include "engine/clsConcat.h"
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
    EXPECT_EQ(engine.strTagLines, (Lines{"DWGNO,r,A-101", "t,DATE,2006-05-01"}));
    const std::vector<std::tuple<const char*, int, const char*>> cases = {
        {"", -1, "Template file requires '*INPUT'."},
        {"*INPUT", -2, "Template file requires '*ATTRIBUTE_TAGS'."},
        {"*INPUT\r\n*ATTRIBUTE_TAGS\r\n  \r\n' only comments\r\n\r\n   ' indented\r\n", -3,
         "Template file requires attribute tags."},
        // The tag header must be exact unless it is the last line.
        {"*INPUT\r\n *ATTRIBUTE_TAGS\r\nA,d\r\n", -2, nullptr}, {"*INPUT\r\n*Attribute_Tags\r\nA,d\r\n", -2, nullptr},
        {"*INPUT\r\n*Attribute_Tags\r\n", -3, nullptr}, {"*INPUT\r\n  *ATTRIBUTE_TAGS  ", -3, nullptr}};
    for (const auto& [text, rc, message] : cases) {
        EXPECT_EQ(Prep(text), rc) << text;
        EXPECT_EQ(err, message ? message : err);
    }
    for (const std::string& path : {dir.File("no such.txt"), dir.Path()}) {
        err = "earlier ";
        EXPECT_EQ(engine.PrepTemplate(path, err), 0);
        EXPECT_EQ(err, "Unable to open template file '" + path + "'.");
    }
    // Success leaves the message alone.
    EXPECT_EQ(engine.PrepTemplate(dir.Write("ok.txt", "*INPUT\n*ATTRIBUTE_TAGS\nA,d\n"), err), 1);
    EXPECT_EQ(err, "Unable to open template file '" + dir.Path() + "'.");
}

TEST_F(TemplateTest, KeysAndTagLines) {
    // Keys are reduced and read in the input section only; tag lines lose blanks only.
    ASSERT_EQ(Prep("block: X\r\n*INPUT\r\nblock:   Title  \r\nLAYER:a\r\nlayer: b, c\r\nBLOCKS: X\r\n"
                   "LAYOUT:größe\r\n\tSPACE: tab\r\n*ATTRIBUTE_TAGS\r\n   BLOCK: Y  \r\n\tREV,c\t\r\n'DWGNO,d\r\n"), 1);
    EXPECT_EQ(engine.strBlockFilter, "TITLE");
    EXPECT_EQ(engine.strLayerFilter, "B, C");
    EXPECT_EQ(engine.strLayoutFilter, "GRößE");  // only ASCII letters change case
    EXPECT_EQ(engine.strSpaceFilter, "");        // a tab is not a blank
    EXPECT_EQ(engine.strTagLines, (Lines{"BLOCK: Y", "\tREV,c\t"}));
    // A failed call drops the tag lines; the filters are reset only once *INPUT is found.
    EXPECT_EQ(Prep("no header\r\n"), -1);
    EXPECT_TRUE(engine.strTagLines.empty());
    EXPECT_EQ(engine.strBlockFilter, "TITLE");
    EXPECT_EQ(Prep("*INPUT\r\n"), -2);
    EXPECT_EQ(engine.strBlockFilter, "");
}

TEST_F(TemplateTest, LineEndsEncodingsAndSize) {
    for (const std::string eol : {"\r\n", "\r", "\n"}) {
        ASSERT_EQ(Prep("*INPUT" + eol + "BLOCK: T" + eol + "*ATTRIBUTE_TAGS" + eol + "A,d" + eol + eol + "B,c"), 1);
        EXPECT_EQ(engine.strBlockFilter, "T");
        EXPECT_EQ(engine.strTagLines, (Lines{"A,d", "B,c"}));
    }
    // UTF-8 (with or without a mark), or else Latin-1.
    ASSERT_EQ(Prep("\xEF\xBB\xBF*INPUT\r\n*ATTRIBUTE_TAGS\r\nTITLE,r,Gr\xC3\xB6\xC3\x9F" "e \xCE\xA9\r\n"), 1);
    EXPECT_EQ(engine.strTagLines[0], "TITLE,r,Größe Ω");
    ASSERT_EQ(Prep("*INPUT\r\n*ATTRIBUTE_TAGS\r\nTITLE,r,Gr\xF6\xDF" "e\r\n"), 1);
    EXPECT_EQ(engine.strTagLines[0], "TITLE,r,Größe");
    std::string bytes = "*INPUT\n*ATTRIBUTE_TAGS\n";
    for (int i = 0; i < 40000; ++i) bytes += "T" + std::to_string(i) + ",d\n";
    ASSERT_EQ(Prep(bytes), 1);
    EXPECT_EQ(engine.strTagLines.size(), 40000u);  // beyond 16 bits
}

TEST(TextLinesTest, Utf8ValidationLineSplittingAndFileLineViews) {
    // Wherever a sequence starts against the eight-byte steps over ASCII.
    for (std::size_t lead = 0; lead < 17; ++lead) {
        const std::string ascii(lead, 'x'), after(9, 'y');
        EXPECT_TRUE(IsValidUtf8(ascii + "Größe Ω 設計 \xF0\x9F\x98\x80" + after)) << lead;
        for (const char* bad : {"\xC3", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "a\x80z"}) {
            EXPECT_FALSE(IsValidUtf8(bad)) << bad;
            EXPECT_FALSE(IsValidUtf8(ascii + bad + after)) << lead << " " << bad;
        }
    }
    for (const auto& [text, lines] : std::vector<std::pair<std::string, Lines>>{
             {"", {}}, {"\r\n", {""}}, {"x", {"x"}}, {"a\r\r\nb\n\nc\r", {"a", "", "b", "", "c"}},
             {"a\n\rb", {"a", "", "b"}}}) {
        EXPECT_EQ(SplitLines(text), lines) << text;
        const auto views = SplitLineViews(text);
        EXPECT_EQ(Lines(views.begin(), views.end()), lines) << text;
    }
    // Views of a file read like the per-line reader and point into the returned text.
    test::TempDir dir;
    for (const std::string& path : {dir.Write("bom.xml", "\xEF\xBB\xBF<a>\r\n <b>x</b>\rc\n"),
                                    dir.Write("latin.xml", "<v>Gr\xF6\xDF" "e</v>\r\n\r\n")}) {
        std::string text;
        std::vector<std::string_view> views;
        Lines lines;
        ASSERT_TRUE(ReadTextLineViews(path, text, views) && ReadTextLines(path, lines)) << path;
        EXPECT_EQ(Lines(views.begin(), views.end()), lines) << path;
        for (const auto& v : views) EXPECT_TRUE(v.data() >= text.data() && v.data() + v.size() <= text.data() + text.size());
    }
    std::string text = "left over", err;
    std::vector<std::string_view> views{"stale"};
    EXPECT_FALSE(ReadTextLineViews(dir.File("missing.xml"), text, views, &err));
    EXPECT_TRUE(views.empty() && text.empty() && !err.empty());
    EXPECT_FALSE(ReadTextLineViews(dir.Path(), text, views));
}

// Every piece kept, also where one fills the spare room to its end or is longer
// than the step and the room together; GetString and ReInit empty the builder.
TEST(ConcatTest, KeepsEveryPieceAcrossGrowth) {
    clsConcat c;
    c.SConcat("abc");
    c.SConcat("d");
    const std::string exact(c.BufferSize() - 4, 'f'), big = "A" + std::string(40000, 'x') + "Z",
                      large(2 * clsConcat::kGrowStep, 'l');
    for (const std::string& piece : {exact, big, large}) c.SConcat(piece);
    EXPECT_EQ(c.GetString(), "abcd" + exact + big + large);
    EXPECT_EQ(c.GetString(), "");
    c.SetString("new text");
    c.SConcat(" more");
    EXPECT_EQ(c.GetString(), "new text more");
    c.SConcat("gone");
    c.ReInit();
    c.SConcat("kept");
    EXPECT_EQ(c.GetString(), "kept");
}

}  // namespace
}  // namespace kel
