// The one way from an open drawing to its table, and a sheet's cells brought
// back into a drawing: what each failure of the chain reports, which work
// files remain, and that a sheet which does not fit the drawing changes nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "component/DrawingInfoXml.h"
#include "engine/DrawingTable.h"
#include "engine/FlatLayout.h"
#include "engine/cAutoCAD.h"
#include "support/FakeComponent.h"
#include "support/TempDir.h"

namespace kel {
namespace {

using test::FakeComponent;
using test::TempDir;

AttributeInfo Att(const std::string& handle, const std::string& tag, const std::string& value) {
    return {handle, 1, tag, value};
}

DrawingInfo Drawing(std::vector<AttributeInfo> first, std::vector<AttributeInfo> second = {}) {
    DrawingInfo d;
    d.path = "/dwg/a.dxf";
    d.blocks.push_back({"*Model_Space", "Model", {{"TITLE", "3D", 0, "0", 0, 0, 0, 0, 1, 1, std::move(first)}}});
    if (!second.empty()) {
        d.blocks.push_back({"*Paper_Space", "Sheet", {{"TITLE", "49", 0, "0", 0, 0, 0, 0, 1, 1, std::move(second)}}});
    }
    return d;
}

class DrawingTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        engine = std::make_unique<cAutoCAD>(
            [this](ComponentCreationError&) { return std::make_unique<FakeComponent>(log); }, nullptr, dir.Path());
        ASSERT_EQ(engine->CreateComponent(), 1);
        ASSERT_EQ(engine->OpenDrawing(dir.Write("a.dxf", "0\nEOF\n")), 1);
    }
    DrawingTableFiles Files() const { return {dir.File("_x.xml"), dir.File("_f.xml"), false}; }

    TempDir dir;
    FakeComponent::Log log;
    std::unique_ptr<cAutoCAD> engine;
};

TEST_F(DrawingTableTest, EachStepOfTheChainReportsItsFailure) {
    const std::string good = DrawingInfoToXml(Drawing({Att("1F", "DWGNO", "A-1"), Att("20", "REV", "B")}), true);
    const struct {
        const char* what;
        std::string xml;
        TableStep failed;
        bool noAttributes;
        std::size_t rows;  // with the heading row
        const char* left;  // work file left in place
    } cases[] = {
        {"two attributes", good, TableStep::Done, false, 3, nullptr},
        {"no drawing information", "", TableStep::DrawingXml, false, 0, nullptr},
        {"no attribute at all", DrawingInfoToXml(Drawing({}), true), TableStep::Read, true, 1, "_f.xml"},
        {"the record cut short", good.substr(0, good.find("<tag>REV")), TableStep::Flatten, false, 0, "_x.xml"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        log.xml = c.xml;
        std::optional<AttributeTable> table;
        const DrawingTableOutcome outcome = AttributeTableOfDrawing(*engine, Files(), true, table);
        EXPECT_EQ(outcome.failed, c.failed);
        EXPECT_EQ(outcome.blnNoAttributes, c.noAttributes);
        EXPECT_EQ(table ? table->Rows() : 0, c.rows);
        if (table) {
            EXPECT_EQ(table->Columns(), flat::kRecordColumns);
            EXPECT_EQ(table->Text(0, flat::kColTag), "tag");
            EXPECT_EQ(table->Text(0, flat::kColValue), "value");
        }
        if (c.rows == 3) {
            EXPECT_EQ(table->Text(2, flat::kColInsert), "3D");
            EXPECT_EQ(table->Text(2, flat::kColHandle), "20");
            EXPECT_EQ(table->Text(2, flat::kColValue), "B");
        }
        for (const char* f : {"_x.xml", "_f.xml"}) {
            EXPECT_EQ(std::filesystem::exists(dir.File(f)), c.left && std::string(c.left) == f) << f;
        }
        const std::string text = DrawingTableFailureText(outcome, "A.DXF");
        EXPECT_EQ(text.empty(), outcome.Ok()) << text;
        std::filesystem::remove(dir.File("_x.xml"));
        std::filesystem::remove(dir.File("_f.xml"));
    }
}

// The sheet's cells against a drawing with a repeated tag and two inserts.
TEST_F(DrawingTableTest, SheetCellsChangeOnlyWhatDiffersAndNothingWhenTheyDoNotFit) {
    log.info = Drawing({Att("1F", "DWGNO", "007"), Att("20", "NOTE", "a"), Att("21", "NOTE", "b")},
                       {Att("30", "DWGNO", "X")});
    const auto cell = [](const char* tag, int n, const char* value, bool number = false) {
        return SheetCellEdit{tag, n, value, number, "E2"};
    };
    const struct {
        const char* what;
        std::vector<SheetInsertEdit> edits;
        std::int16_t result;
        std::vector<std::string> calls;  // SetAttributeValue calls
        const char* message;
    } cases[] = {
        {"all as they are", {{"3D", 2, {cell("DWGNO", 1, "007"), cell("NOTE", 2, "b")}}}, 0, {}, kNoDataFound},
        {"a number made of 007", {{"3D", 2, {cell("DWGNO", 1, "7", true)}}}, 0, {}, kNoDataFound},
        {"second NOTE and the other insert",
         {{"3D", 2, {cell("NOTE", 2, "new")}}, {"49", 3, {cell("DWGNO", 1, "")}}},
         1,
         {"SetAttributeValue(new,21)", "SetAttributeValue(,30)"},
         ""},
        {"an insert the drawing lacks",
         {{"3D", 2, {cell("NOTE", 1, "z")}}, {"99", 3, {cell("DWGNO", 1, "y")}}},
         -1,
         {},
         "row 3: no insert with attributes has the handle 99"},
        {"a third NOTE", {{"3D", 2, {cell("DWGNO", 1, "z"), cell("NOTE", 3, "c")}}}, -1, {},
         "cell E2: insert 3D has no attribute NOTE (3)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        log.calls.clear();
        engine->sheetEdits = &c.edits;
        std::string strErr;
        EXPECT_EQ(engine->GetAttributes(&strErr), c.result);
        std::vector<std::string> sets;
        for (const std::string& call : log.calls) {
            if (call.rfind("SetAttributeValue", 0) == 0) sets.push_back(call);
        }
        EXPECT_EQ(sets, c.calls);
        EXPECT_NE(strErr.find(c.message), std::string::npos) << strErr;
    }
    engine->sheetEdits = nullptr;
}

}  // namespace
}  // namespace kel
