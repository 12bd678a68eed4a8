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

    using Cells = std::vector<std::vector<std::optional<std::string>>>;
    Cells Grid() const {
        Cells out(table->Rows());
        for (std::size_t r = 0; r < out.size(); ++r) {
            for (std::size_t c = 0; c < table->Columns(); ++c) out[r].push_back(table->Cell(r, c));
        }
        return out;
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
    // The heading of an empty element keeps blank and slash; an empty element is the
    // empty text, a blank line no value (its column still used up); a value ends at the first end mark.
    ASSERT_EQ(Read(flat, true), 1);
    EXPECT_EQ(Grid(), (Cells{{"a", "b /", "c"}, {"1", "", ""}, {"2", std::nullopt, "x"}}));
    ASSERT_EQ(Read(flat, false), 1);
    EXPECT_EQ(Grid(), (Cells{{"1", "", ""}, {"2", std::nullopt, "x"}}));
}

TEST_F(TableTest, CharacterReferencesAreDecodedOnceInValuesOnly) {
    ASSERT_EQ(Read({kHeader, "", "<R>", "<E>", "<t&amp;g>&lt;a&gt; &amp;lt; &quot;&apos; &#65;&#x42;&#233;&#10;&#xZ;"
                                         "&bogus; & x</t&amp;g>", "</E>", "</R>"}, true), 1);
    EXPECT_EQ(Grid(), (Cells{{"t&amp;g"}, {"<a> &lt; \"' AB\xC3\xA9\n&#xZ;&bogus; & x"}}));
}

TEST_F(TableTest, SingleRecordMode) {
    ASSERT_EQ(Read({"<DrawingInformation>", "<databasefilename>/a.dwg</databasefilename>", "<Blocks>3</Blocks>",
                    "</DrawingInformation>"}, true), 1);
    EXPECT_EQ(Grid(), (Cells{{"databasefilename", "Blocks"}, {"/a.dwg", "3"}}));
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
    for (const char* field : {"</E>", "a1"}) EXPECT_EQ(Read({kHeader, "", "<R>", "<E>", field, "</E>", "</R>"}, false), -3);
    EXPECT_FALSE(table.has_value());

    // A start tag alone in the second record: the first row stays filled.
    EXPECT_EQ(Read({kHeader, "", "<R>", "<E>", "<a>1</a>", "</E>", "<E>", "<a>", "</E>", "</R>"}, false), -3);
    ASSERT_TRUE(table.has_value());
    EXPECT_EQ(Grid(), (Cells{{"1"}, {std::nullopt}}));

    // A record shorter than the first: its end line is read as a field and has no value.
    table.reset();
    EXPECT_EQ(Read({kHeader, "", "<R>", "<E>", "<a>1</a>", "<b>2</b>", "</E>", "<E>", "<a>3</a>", "</E>"}, false), -3);
    EXPECT_TRUE(table.has_value());
}

}  // namespace
}  // namespace kel
