// The attribute rows taken straight from the component's description must be
// the rows the XML chain gives (write the XML, flatten it, read the table), for
// every drawing of the corpus and for texts built to trip the chain's markup
// handling; a description the chain would read differently goes through it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "component/DrawingComponent.h"
#include "component/DrawingInfoXml.h"
#include "engine/AttributeRows.h"
#include "engine/cAutoCAD.h"
#include "support/Corpus.h"
#include "support/TempDir.h"

namespace kel {
namespace {

using test::TempDir;

std::vector<std::vector<std::string>> AllFields(const AttributeRows& rows) {
    std::vector<std::vector<std::string>> out;
    for (const AttributeRow& r : rows.rows) {
        const RowInsert& i = *r.insert;
        out.push_back({std::string(i.space), std::string(i.layout), std::string(i.block), std::string(i.layer),
                       std::string(i.handle), std::string(r.handle), std::string(r.tag), std::string(r.value)});
    }
    return out;
}

// Rows through the XML chain; nullopt when the table cannot be read.
std::optional<std::vector<std::vector<std::string>>> ChainRows(const DrawingInfo& info, const TempDir& dir) {
    cAutoCAD engine([](ComponentCreationError&) { return nullptr; }, nullptr, dir.Path());
    engine.FlattenXMLfile(dir.Write("_file.xml", DrawingInfoToXml(info, true)), dir.File("_flat.xml"), 3);
    std::optional<AttributeTable> table;
    engine.FlatXMLfileToArray(dir.File("_flat.xml"), table, false);
    if (!table) return std::nullopt;
    return AllFields(RowsOfTable(*table));
}

// Both ways agree: the same rows, or no table where the description has no attribute.
// Returns the number of rows.
std::size_t ExpectSameRows(const DrawingInfo& info, const std::string& what) {
    TempDir dir;
    AttributeRows rows;
    EXPECT_TRUE(RowsOfDrawing(info, rows)) << what;
    const auto chain = ChainRows(info, dir);
    EXPECT_EQ(rows.rows.empty() ? std::nullopt : std::optional(AllFields(rows)), chain) << what;
    return rows.rows.size();
}

std::vector<std::string> CorpusDrawings() {
    std::vector<std::string> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(test::CorpusDir())) {
        std::string ext = e.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
        if (e.is_regular_file() && (ext == ".dxf" || ext == ".dwg")) files.push_back(e.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// The rows a component lists must be the rows of its description: as read,
// and after a value is set and an attribute deleted. Returns whether it lists.
bool ExpectListingAsDescription(const std::string& f) {
    DrawingComponent component;
    std::int32_t handle = 0;
    if (component.OpenFile(handle, f, "") <= 0) return false;
    for (int round = 0; round < 2; ++round) {
        AttributeRows listed;
        if (!component.ListAttributes(listed)) return false;
        EXPECT_EQ(component.Status(), kStatusOk) << f;
        EXPECT_EQ(listed.path, f);
        DrawingInfo info;
        EXPECT_TRUE(component.DescribeDrawing(info));
        AttributeRows described;
        EXPECT_TRUE(RowsOfDrawing(info, described)) << f;
        EXPECT_TRUE(AllValidUtf8(listed)) << f;
        EXPECT_TRUE(listed.textsWellFormed) << f;  // the engine then checks only the path
        EXPECT_EQ(AllFields(listed), AllFields(described)) << f << " round " << round;
        if (listed.rows.size() < 2) break;
        component.SetAttributeValue("Größe ^ \\U+0041 {x}\nzwei", std::string(listed.rows[0].handle));
        EXPECT_EQ(component.Status(), kStatusOk) << f;
        component.DeleteEntity(std::string(listed.rows.back().handle));
    }
    return true;
}

TEST(AttributeRows, ComponentsListTheRowsOfTheirDescription) {
    for (const char* sample : {"title-r12.dxf", "title-r12-bin.dxf", "title-r2000.dxf", "title-r2018-bin.dxf"}) {
        EXPECT_TRUE(ExpectListingAsDescription(std::string(KEL_SOURCE_DIR "/examples/") + sample)) << sample;
    }
}

// Every corpus drawing: its description gives the rows of the XML chain, and
// its listing the rows of its description.
TEST(AttributeRows, CorpusDrawingsAgreeWithTheXmlChainAndTheirListing) {
    KEL_NEED_CORPUS();
    const auto files = CorpusDrawings();
    ASSERT_FALSE(files.empty());
    std::size_t described = 0, withRows = 0, listed = 0;
    for (const std::string& f : files) {
        DrawingComponent component;
        std::int32_t handle = 0;
        if (component.OpenFile(handle, f, "") <= 0) continue;
        DrawingInfo info;
        ASSERT_TRUE(component.DescribeDrawing(info));
        ASSERT_EQ(component.Status(), kStatusOk) << f;
        ++described;
        if (ExpectSameRows(info, f) > 0) ++withRows;
        if (ExpectListingAsDescription(f)) ++listed;
    }
    EXPECT_GT(described, 40u);
    EXPECT_GT(withRows, 10u);
    EXPECT_GT(listed, 20u);
}

TEST(AttributeRows, MarkupLikeTextsAreTakenAsTheChainTakesThem) {
    const std::vector<std::string> texts = {
        "", " lead", "trail ", "  ", "a=b", "x name='y'", "<&>\"'", "&quot;", "&amp;lt;", "&#61;", "</value>",
        "a></b", "a />", "<custom>", "</custom>", "<block>", "<Attributes>", "</Attribute>", "<name>", "<x>",
        "line\r\nbreak", "cr\rlf\n", "\t\x01\x1f\x7f", "Ω Größe 設計", "\xF0\x9F\x98\x80", "handle", "elementid"};
    DrawingInfo info;
    info.path = "/d/a b&c.dxf";
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const std::string& t = texts[i];
        const std::string n = std::to_string(i);
        const InsertInfo ins{t, "1" + n, i, "L" + t, -0.5, 0, 0, 0, 1, 1,
                             {{"A" + n, i, t, t}, {"B" + n, i, "TAG", t + t}}};
        info.blocks.push_back({t, t, {ins, InsertInfo{}}});
    }
    ExpectSameRows(info, "markup-like texts");
}

// No attribute: no rows and no table. Text that is no UTF-8 is left to the XML chain.
TEST(AttributeRows, EmptyDescriptionsAndInvalidUtf8) {
    DrawingInfo bare;
    ExpectSameRows(bare, "no block");
    bare.blocks.push_back({"*Model_Space", "Model", {InsertInfo{}, InsertInfo{}}});
    ExpectSameRows(bare, "inserts without attributes");
    DrawingInfo info;
    info.blocks.push_back({"*Model_Space", "Model", {InsertInfo{}}});
    info.blocks[0].inserts[0].attributes.push_back({"1A", 1, "TAG", "caf\xE9"});
    AttributeRows rows;
    EXPECT_FALSE(RowsOfDrawing(info, rows));
    EXPECT_TRUE(rows.rows.empty());
    info.blocks[0].inserts[0].attributes[0].value = "ok";
    info.path = "/d/\xFF.dxf";
    EXPECT_FALSE(RowsOfDrawing(info, rows));
}

}  // namespace
}  // namespace kel
