// The HTML report: table markup for the viewer's arguments, bold and wrapping
// rules, optional attributes, the page around the table, escaping of drawing
// texts, bounds, and the results for tables it cannot render.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/HtmlText.h"
#include "engine/cAutoCAD.h"
#include "platform/FileSystem.h"
#include "support/TempDir.h"

namespace kel {
namespace {

using test::ReadFile;
using test::TempDir;

// A table filled row by row with the given texts.
std::optional<AttributeTable> Table(std::size_t rows, std::size_t columns, const std::vector<std::string>& texts,
                                    std::size_t lower = 0) {
    AttributeTable table(rows, columns, lower, lower);
    for (std::size_t i = 0; i < texts.size(); ++i) table.Cell(lower + i / columns, lower + i % columns) = texts[i];
    return table;
}

class HtmlTest : public ::testing::Test {
protected:
    // The table with the viewer's arguments, bold rules as given.
    std::string Markup(const std::optional<AttributeTable>& t, bool boldRow = true, bool boldColumn = false,
                       bool wrap = false) {
        std::string s;
        EXPECT_EQ(engine.TwoDArrayToHTMLTable(t, s, 1, "", "#FFD700", 1, "black", 2, 2, 10, 2, wrap, boldRow,
                                              boldColumn),
                  1);
        return s;
    }
    std::int16_t Page(const std::optional<AttributeTable>& t, const std::string& file, const std::string& heading,
                      const std::string& title, const std::string& image = "", const std::string& color = "") {
        return engine.TwoDArrayToHTMLFile(t, file, heading, title, image, color, 0, "", "", 0, "", 0, 0, 100, 0,
                                          true, false, false);
    }
    TempDir dir;
    cAutoCAD engine{nullptr, nullptr, dir.Path()};
};

TEST_F(HtmlTest, ViewerArgumentsGiveTheExactTable) {
    EXPECT_EQ(Markup(Table(2, 2, {"tag", "value", "DWGNO", ""})),
              "<TABLE ALIGN=CENTER BORDER=1 CELLSPACING=2 CELLPADDING=2 WIDTH='10%' BGCOLOR='#FFD700' "
              "BORDERCOLOR='black'><TBODY>\r\n"
              "<TR ALIGN=RIGHT NOWRAP><TD NOWRAP><STRONG>tag</STRONG></TD><TD NOWRAP><STRONG>value</STRONG></TD>"
              "</TR>\r\n"
              "<TR ALIGN=RIGHT NOWRAP><TD NOWRAP>DWGNO</TD><TD NOWRAP></TD></TR>\r\n"
              "</TBODY></TABLE>");
}

TEST_F(HtmlTest, BoldRulesWrappingAndEmptyCells) {
    auto t = Table(3, 3, {"a", "b", "c", "d", "e", "f", "g", "h", "i"});
    t->Cell(2, 2).reset();  // an empty cell is the empty text
    // First column only: a, d, g bold.
    const std::string column = Markup(t, false, true, true);
    EXPECT_NE(column.find("<TD><STRONG>a</STRONG></TD><TD>b</TD><TD>c</TD>"), std::string::npos) << column;
    EXPECT_NE(column.find("<TD><STRONG>d</STRONG></TD><TD>e</TD>"), std::string::npos);
    EXPECT_NE(column.find("<TD><STRONG>g</STRONG></TD><TD>h</TD><TD></TD></TR>"), std::string::npos);
    // Wrapping allowed: no NOWRAP anywhere, rows open with the alignment alone.
    EXPECT_EQ(column.find("NOWRAP"), std::string::npos);
    EXPECT_NE(column.find("<TR ALIGN=RIGHT><TD>"), std::string::npos);
    // Both: the whole first row and the first column.
    const std::string both = Markup(t, true, true);
    EXPECT_NE(both.find("<STRONG>c</STRONG>"), std::string::npos);
    EXPECT_NE(both.find("<STRONG>d</STRONG></TD><TD NOWRAP>e</TD>"), std::string::npos);
    // Neither.
    EXPECT_EQ(Markup(t, false, false).find("STRONG"), std::string::npos);
}

TEST_F(HtmlTest, AlignmentsNumbersAndOptionalAttributes) {
    const auto t = Table(1, 1, {"x"});
    std::string s;
    ASSERT_EQ(engine.TwoDArrayToHTMLTable(t, s, 0, "bg.png", "  ", -3, " red ", 0, 12, 100, 1, true, false, false), 1);
    EXPECT_EQ(s,
              "<TABLE ALIGN=LEFT BORDER=-3 CELLSPACING=0 CELLPADDING=12 WIDTH='100%' BACKGROUND='bg.png' "
              "BORDERCOLOR=' red '><TBODY>\r\n<TR ALIGN=CENTER><TD>x</TD></TR>\r\n</TBODY></TABLE>");
    ASSERT_EQ(engine.TwoDArrayToHTMLTable(t, s, 2, " ", "", 1, "", 1, 1, 5, 0, true, false, false), 1);
    EXPECT_EQ(s.substr(0, s.find("><TBODY>")), "<TABLE ALIGN=RIGHT BORDER=1 CELLSPACING=1 CELLPADDING=1 WIDTH='5%'");
    EXPECT_NE(s.find("<TR ALIGN=LEFT>"), std::string::npos);
}

TEST_F(HtmlTest, PageAroundTheTable) {
    const auto t = Table(1, 1, {"x"});
    std::string table;
    ASSERT_EQ(engine.TwoDArrayToHTMLTable(t, table, 0, "", "", 0, "", 0, 0, 100, 0, true, false, false), 1);

    // Blank heading and title: no heading line, an empty title section.
    const std::string file = dir.File("page.htm");
    ASSERT_EQ(Page(t, file, "   ", ""), 1);
    EXPECT_EQ(ReadFile(file), "<HTML>\r\n<HEAD>\r\n<META CHARSET=\"UTF-8\">\r\n<TITLE>\r\n</TITLE>\r\n</HEAD>\r\n"
                              "<BODY >\r\n" + table + "\r\n</BODY>\r\n</HTML>\r\n\r\n");

    // Heading and title trimmed; page colour before page image; an existing page is replaced.
    ASSERT_EQ(Page(t, file, "  Head ing ", " Ti tle  ", "back.jpg", " #FFF"), 1);
    EXPECT_EQ(ReadFile(file), "<HTML>\r\n<HEAD>\r\n<META CHARSET=\"UTF-8\">\r\n"
                              "<STRONG><CENTER>Head ing</CENTER></STRONG><BR>\r\n<TITLE>\r\nTi tle\r\n</TITLE>\r\n"
                              "</HEAD>\r\n<BODY  BGCOLOR=' #FFF' BACKGROUND='back.jpg'>\r\n" + table +
                                  "\r\n</BODY>\r\n</HTML>\r\n\r\n");

    // A page that cannot be written is passed over.
    EXPECT_EQ(Page(t, dir.File("missing/page.htm"), "h", "t"), 1);
    EXPECT_FALSE(FileExists(dir.File("missing/page.htm")));
}

TEST_F(HtmlTest, DrawingTextsAreEscapedAndKeepTheirLetters) {
    EXPECT_EQ(EscapeHtml("<script>alert(\"x\")</script> & 'q'"),
              "&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt; &amp; 'q'");
    EXPECT_EQ(EscapeHtml("&amp;"), "&amp;amp;");  // references in a value are text too
    EXPECT_EQ(EscapeHtml("Gr\xC3\xBC\xC3\x9F" "e \xCE\xA9"), "Gr\xC3\xBC\xC3\x9F" "e \xCE\xA9");

    const auto t = Table(2, 1, {"<b>", "M\xC3\xBCller & Co"});
    EXPECT_NE(Markup(t).find("<STRONG>&lt;b&gt;</STRONG></TD></TR>\r\n<TR ALIGN=RIGHT NOWRAP><TD NOWRAP>"
                             "M\xC3\xBCller &amp; Co</TD>"),
              std::string::npos);
    const std::string file = dir.File("page.htm");
    ASSERT_EQ(Page(t, file, " /a&b/<x>.dxf ", "\"t\""), 1);
    const std::string page = ReadFile(file);
    EXPECT_NE(page.find("<CENTER>/a&amp;b/&lt;x&gt;.dxf</CENTER>"), std::string::npos);
    EXPECT_NE(page.find("<TITLE>\r\n&quot;t&quot;\r\n</TITLE>"), std::string::npos);
    EXPECT_EQ(page.find("<b>"), std::string::npos);
}

TEST_F(HtmlTest, BoundsAndSizes) {
    // One cell.
    EXPECT_NE(Markup(Table(1, 1, {"only"})).find("<TR ALIGN=RIGHT NOWRAP><TD NOWRAP><STRONG>only</STRONG></TD></TR>"),
              std::string::npos);
    // Bounds from 1: every cell in order, the first row and column are those at 1.
    const auto one = Table(2, 2, {"a", "b", "c", "d"}, 1);
    const std::string s = Markup(one, true, true);
    EXPECT_NE(s.find("<STRONG>a</STRONG></TD><TD NOWRAP><STRONG>b</STRONG></TD></TR>\r\n"
                     "<TR ALIGN=RIGHT NOWRAP><TD NOWRAP><STRONG>c</STRONG></TD><TD NOWRAP>d</TD></TR>"),
              std::string::npos)
        << s;
    // Markup well past the builder's growth step keeps every row.
    std::vector<std::string> texts;
    for (int i = 0; i < 3000; ++i) texts.push_back("value " + std::to_string(i));
    const std::string big = Markup(Table(1000, 3, texts));
    std::size_t rows = 0;
    for (auto p = big.find("</TR>\r\n"); p != std::string::npos; p = big.find("</TR>\r\n", p + 1)) ++rows;
    EXPECT_EQ(rows, 1000u);
    EXPECT_NE(big.find("<TD NOWRAP>value 2999</TD></TR>\r\n</TBODY></TABLE>"), std::string::npos);
}

TEST_F(HtmlTest, TablesThatCannotBeRendered) {
    const std::string file = dir.File("page.htm");
    // Not a table at all: -1, nothing built or written, an existing page untouched.
    const std::optional<AttributeTable> none;
    std::string s = "kept";
    EXPECT_EQ(engine.TwoDArrayToHTMLTable(none, s, 1, "", "", 1, "", 2, 2, 10, 2, false, true, false), -1);
    EXPECT_EQ(s, "kept");
    dir.Write("page.htm", "old");
    EXPECT_EQ(Page(none, file, "h", "t"), -1);
    EXPECT_EQ(ReadFile(file), "old");

    // One dimension: the table fails with -2 and leaves its output alone; the
    // page is still written, with an empty table part.
    std::optional<AttributeTable> list = AttributeTable::OneDimensional(2, 1);
    list->Cell(1, 0) = "a";
    EXPECT_EQ(engine.TwoDArrayToHTMLTable(list, s, 1, "", "", 1, "", 2, 2, 10, 2, false, true, false), -2);
    EXPECT_EQ(s, "kept");
    EXPECT_EQ(Page(list, file, "", ""), 1);
    EXPECT_EQ(ReadFile(file), "<HTML>\r\n<HEAD>\r\n<META CHARSET=\"UTF-8\">\r\n<TITLE>\r\n</TITLE>\r\n</HEAD>\r\n"
                              "<BODY >\r\n\r\n</BODY>\r\n</HTML>\r\n\r\n");
}

}  // namespace
}  // namespace kel
