// The HTML report: table markup for the viewer's arguments, bold and wrapping
// rules, optional attributes, the page around the table, escaping of drawing
// texts, bounds, and the results for tables it cannot render.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/cAutoCAD.h"
#include "platform/FileSystem.h"
#include "support/TempDir.h"

namespace kel {
namespace {

using test::ReadFile;

// A table filled row by row, both bounds at lower.
std::optional<AttributeTable> Table(std::size_t rows, std::size_t columns, const std::vector<std::string>& texts,
                                    std::size_t lower = 0) {
    AttributeTable table(rows, columns, lower, lower);
    for (std::size_t i = 0; i < texts.size(); ++i) table.Cell(lower + i / columns, lower + i % columns) = texts[i];
    return table;
}

const std::string kPageHead = "<HTML>\r\n<HEAD>\r\n<META CHARSET=\"UTF-8\">\r\n";
const std::string kNoTitle = "<TITLE>\r\n</TITLE>\r\n</HEAD>\r\n";
const std::string kPageEnd = "\r\n</BODY>\r\n</HTML>\r\n\r\n";

class HtmlTest : public ::testing::Test {
protected:
    // The table with the viewer's arguments; wrapping and bold rules as given.
    std::string Markup(const std::optional<AttributeTable>& t, bool row = true, bool column = false, bool wrap = false) {
        std::string s;
        EXPECT_EQ(engine.TwoDArrayToHTMLTable(t, s, 1, "", "#FFD700", 1, "black", 2, 2, 10, 2, wrap, row, column), 1);
        return s;
    }
    std::int16_t Page(const std::optional<AttributeTable>& t, const std::string& heading, const std::string& title,
                      const std::string& image = "", const std::string& color = "") {
        return engine.TwoDArrayToHTMLFile(t, file, heading, title, image, color, 0, "", "", 0, "", 0, 0, 100, 0, true,
                                          false, false);
    }
    test::TempDir dir;
    std::string file = dir.File("page.htm");
    cAutoCAD engine{nullptr, nullptr, dir.Path()};
};

TEST_F(HtmlTest, TableMarkupEscapesDrawingTexts) {
    // Drawing texts are escaped once and keep their letters; the last cell stays empty.
    auto t = Table(2, 2, {"<tag>", "M\xC3\xBCller &amp; \"\xCE\xA9\" 'q'", "DWGNO"});
    EXPECT_EQ(Markup(t), "<TABLE ALIGN=CENTER BORDER=1 CELLSPACING=2 CELLPADDING=2 WIDTH='10%' BGCOLOR='#FFD700' "
                         "BORDERCOLOR='black'><TBODY>\r\n"
                         "<TR ALIGN=RIGHT NOWRAP><TD NOWRAP><STRONG>&lt;tag&gt;</STRONG></TD><TD NOWRAP><STRONG>"
                         "M\xC3\xBCller &amp;amp; &quot;\xCE\xA9&quot; 'q'</STRONG></TD></TR>\r\n"
                         "<TR ALIGN=RIGHT NOWRAP><TD NOWRAP>DWGNO</TD><TD NOWRAP></TD></TR>\r\n</TBODY></TABLE>");
    // Bold first column and wrapping, with bounds from 1; padded colours kept, blank ones left out.
    t = Table(2, 2, {"tag", "value", "DWGNO"}, 1);
    std::string s;
    ASSERT_EQ(engine.TwoDArrayToHTMLTable(t, s, 0, "bg.png", "  ", -3, " red ", 0, 12, 100, 1, true, false, true), 1);
    EXPECT_EQ(s, "<TABLE ALIGN=LEFT BORDER=-3 CELLSPACING=0 CELLPADDING=12 WIDTH='100%' BACKGROUND='bg.png' "
                 "BORDERCOLOR=' red '><TBODY>\r\n<TR ALIGN=CENTER><TD><STRONG>tag</STRONG></TD><TD>value</TD></TR>\r\n"
                 "<TR ALIGN=CENTER><TD><STRONG>DWGNO</STRONG></TD><TD></TD></TR>\r\n</TBODY></TABLE>");
}

TEST_F(HtmlTest, PageAroundTheTable) {
    const auto t = Table(1, 1, {"x"});
    std::string table;
    engine.TwoDArrayToHTMLTable(t, table, 0, "", "", 0, "", 0, 0, 100, 0, true, false, false);
    ASSERT_EQ(Page(t, "   ", ""), 1);
    EXPECT_EQ(ReadFile(file), kPageHead + kNoTitle + "<BODY >\r\n" + table + kPageEnd);
    // Trimmed and escaped heading and title; colour before image; the old page is replaced.
    ASSERT_EQ(Page(t, "  /a&b/<x>.dxf ", " \"Ti tle\"  ", "back.jpg", " #FFF"), 1);
    EXPECT_EQ(ReadFile(file), kPageHead + "<STRONG><CENTER>/a&amp;b/&lt;x&gt;.dxf</CENTER></STRONG><BR>\r\n<TITLE>\r\n"
                                          "&quot;Ti tle&quot;\r\n</TITLE>\r\n</HEAD>\r\n"
                                          "<BODY  BGCOLOR=' #FFF' BACKGROUND='back.jpg'>\r\n" + table + kPageEnd);
    // A page that cannot be written is passed over.
    file = dir.File("missing/page.htm");
    EXPECT_EQ(Page(t, "h", "t"), 1);
    EXPECT_FALSE(FileExists(file));
}

TEST_F(HtmlTest, TablesThatCannotBeRendered) {
    // No table: -1, nothing built or written.
    std::string s = "kept";
    EXPECT_EQ(engine.TwoDArrayToHTMLTable(std::nullopt, s, 1, "", "", 1, "", 2, 2, 10, 2, false, true, false), -1);
    dir.Write("page.htm", "old");
    EXPECT_EQ(Page(std::nullopt, "h", "t"), -1);
    EXPECT_EQ(s + ReadFile(file), "keptold");
    // One dimension: -2 with the output left alone; the page still comes, its table part empty.
    std::optional<AttributeTable> list = AttributeTable::OneDimensional(2, 1);
    list->Cell(1, 0) = "a";
    EXPECT_EQ(engine.TwoDArrayToHTMLTable(list, s, 1, "", "", 1, "", 2, 2, 10, 2, false, true, false), -2);
    EXPECT_EQ(s, "kept");
    EXPECT_EQ(Page(list, "", ""), 1);
    EXPECT_EQ(ReadFile(file), kPageHead + kNoTitle + "<BODY >\r\n" + kPageEnd);
}

}  // namespace
}  // namespace kel
