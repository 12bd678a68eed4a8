// Reading flat XML files into the attribute table: shape, headings, blank and
// empty fields, the failure results, single-record mode and entity decoding.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/cAutoCAD.h"
#include "support/TempDir.h"

namespace kel {
namespace {

using test::TempDir;

constexpr const char* kHeader = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>";

class TableTest : public ::testing::Test {
protected:
    std::int16_t Read(const std::vector<std::string>& lines, bool headings) {
        std::string s;
        for (const auto& l : lines) s += l + "\r\n";
        return engine.FlatXMLfileToArray(dir.Write("flat.xml", s), table, headings);
    }

    TempDir dir;
    cAutoCAD engine{nullptr, nullptr, dir.Path()};
    std::optional<AttributeTable> table;
};

TEST_F(TableTest, RecordsAndHeadings) {
    const std::vector<std::string> flat = {kHeader, "", "<Rows>",
                                           "<Row>", "<a>1</a>", "<b />", "<c></c>", "</Row>",
                                           "<Row>", "<a>2</a>", "", "<c>x</y</c>", "</Row>",
                                           "</Rows>"};
    ASSERT_EQ(Read(flat, true), 1);
    ASSERT_EQ(table->Rows(), 3u);
    ASSERT_EQ(table->Columns(), 3u);
    EXPECT_EQ(table->Text(0, 0), "a");
    EXPECT_EQ(table->Text(0, 1), "b /");  // heading of an empty element keeps blank and slash
    EXPECT_EQ(table->Text(1, 0), "1");
    ASSERT_TRUE(table->Cell(1, 1).has_value());  // empty element: the empty text
    EXPECT_EQ(*table->Cell(1, 1), "");
    EXPECT_EQ(*table->Cell(1, 2), "");
    EXPECT_FALSE(table->Cell(2, 1).has_value());  // blank line: no value, column still used up
    EXPECT_EQ(table->Text(2, 2), "x");            // value ends at the first end mark

    table.reset();
    ASSERT_EQ(Read(flat, false), 1);
    ASSERT_EQ(table->Rows(), 2u);
    EXPECT_EQ(table->Text(1, 0), "2");
}

TEST_F(TableTest, CharacterReferencesAreDecodedOnceInValuesOnly) {
    ASSERT_EQ(Read({kHeader, "", "<R>", "<E>", "<t&amp;g>&lt;a&gt; &amp;lt; &quot;&apos; &#65;&#x42;&#233;&#10;&#xZ;"
                                         "&bogus; & x</t&amp;g>", "</E>", "</R>"},
                   true),
              1);
    EXPECT_EQ(table->Text(0, 0), "t&amp;g");
    EXPECT_EQ(table->Text(1, 0), "<a> &lt; \"' AB\xC3\xA9\n&#xZ;&bogus; & x");
}

TEST_F(TableTest, SingleRecordMode) {
    ASSERT_EQ(Read({"<DrawingInformation>", "<databasefilename>/a.dwg</databasefilename>", "<Blocks>3</Blocks>",
                    "</DrawingInformation>"},
                   true),
              1);
    ASSERT_EQ(table->Rows(), 2u);
    ASSERT_EQ(table->Columns(), 2u);
    EXPECT_EQ(table->Text(0, 1), "Blocks");
    EXPECT_EQ(table->Text(1, 0), "/a.dwg");
}

TEST_F(TableTest, MissingShortAndMalformedFiles) {
    table.emplace(1, 1);
    EXPECT_EQ(engine.FlatXMLfileToArray(dir.File("none.xml"), table), -1);
    EXPECT_EQ(table->Rows(), 1u);  // untouched
    EXPECT_EQ(Read({kHeader, "", "<Attributes>", "</Attributes>"}, false), -2);
    EXPECT_EQ(table->Rows(), 1u);
    table.reset();

    // An indented end line is never counted: headings only, or no table at all.
    const std::vector<std::string> indented = {kHeader, "", "<R>", "<E>", "<a>1</a>", "  </E>", "</R>"};
    EXPECT_EQ(Read(indented, true), 1);
    EXPECT_EQ(table->Rows(), 1u);
    table.reset();
    EXPECT_EQ(Read(indented, false), -3);
    EXPECT_FALSE(table.has_value());

    // No field line, or a field line without ">".
    EXPECT_EQ(Read({kHeader, "", "<R>", "<E>", "</E>", "</R>"}, false), -3);
    EXPECT_EQ(Read({kHeader, "", "<R>", "<E>", "a1", "</E>", "</R>"}, false), -3);
    EXPECT_FALSE(table.has_value());

    // A start tag alone in the second record: the first row stays filled.
    EXPECT_EQ(Read({kHeader, "", "<R>", "<E>", "<a>1</a>", "</E>", "<E>", "<a>", "</E>", "</R>"}, false), -3);
    ASSERT_TRUE(table.has_value());
    EXPECT_EQ(table->Text(0, 0), "1");
    EXPECT_FALSE(table->Cell(1, 0).has_value());

    // A record shorter than the first: its end line is read as a field and has no value.
    table.reset();
    EXPECT_EQ(Read({kHeader, "", "<R>", "<E>", "<a>1</a>", "<b>2</b>", "</E>", "<E>", "<a>3</a>", "</E>"},
                   false),
              -3);
    EXPECT_TRUE(table.has_value());
}

}  // namespace
}  // namespace kel
