#include "engine/DrawingTable.h"

#include <string_view>
#include <vector>

#include "component/DrawingInfoXml.h"
#include "engine/TextLines.h"
#include "engine/TextSearch.h"
#include "engine/cAutoCAD.h"
#include "platform/FileSystem.h"

namespace kel {

namespace {

constexpr std::int32_t kAttributesChapter = 3;

// True when the flat XML holds no attribute record: a drawing without attributes.
bool HasNoRecord(const std::string& strFlatXml) {
    std::string text;
    std::vector<std::string_view> lines;
    if (!ReadTextLineViews(strFlatXml, text, lines)) return false;
    for (const std::string_view line : lines) {
        if (ContainsNoCase(line, "<attribute>")) return false;
    }
    return true;
}

DrawingTableOutcome Flattened(cAutoCAD& engine, const DrawingTableFiles& files, bool blnIncludeHeadings,
                              std::optional<AttributeTable>& table) {
    DrawingTableOutcome outcome;
    std::int32_t lngDrawingField = 0;
    outcome.result = engine.FlattenXMLfile(files.strDrawingXml, files.strFlatXml, kAttributesChapter, lngDrawingField);
    if (outcome.result != 1 || !FileExists(files.strFlatXml)) {
        // What a failed flattening wrote is not to be read by anyone.
        DeleteFileUtf8(files.strFlatXml);
        outcome.failed = TableStep::Flatten;
        return outcome;
    }
    DeleteFileUtf8(files.strDrawingXml);
    outcome.result = engine.FlatXMLfileToArray(files.strFlatXml, table, blnIncludeHeadings);
    if (outcome.result != 1 || !table) {
        outcome.failed = TableStep::Read;
        table.reset();
        return outcome;
    }
    DeleteFileUtf8(files.strFlatXml);
    return outcome;
}

}  // namespace

DrawingTableOutcome AttributeTableOfDrawing(cAutoCAD& engine, const DrawingTableFiles& files,
                                            bool blnIncludeHeadings, std::optional<AttributeTable>& table) {
    table.reset();
    // A work file left over from an earlier reading must not stand in for this drawing's.
    DeleteFileUtf8(files.strDrawingXml);
    DeleteFileUtf8(files.strFlatXml);

    engine.CreateXML(files.strDrawingXml, 1, 0, 0, 0, 0, 0, 0, 0);
    if (files.blnCloseAfterXml) engine.CloseDrawing();
    if (!FileExists(files.strDrawingXml)) {
        DrawingTableOutcome outcome;
        outcome.failed = TableStep::DrawingXml;
        outcome.result = -1;
        return outcome;
    }
    DrawingTableOutcome outcome = Flattened(engine, files, blnIncludeHeadings, table);
    if (outcome.failed == TableStep::Read && HasNoRecord(files.strFlatXml)) {
        outcome.blnNoAttributes = true;
        if (blnIncludeHeadings) {
            // Other work files: the flat XML that failed stays as it is.
            table = AttributeTableHeadings(engine, {files.strDrawingXml + ".headings", files.strFlatXml + ".headings"});
        } else {
            table.emplace(0, 0);
        }
    }
    return outcome;
}

std::string DrawingTableFailureText(const DrawingTableOutcome& outcome, const std::string& strName) {
    switch (outcome.failed) {
        case TableStep::Done:
            return {};
        case TableStep::DrawingXml:
            return "Unable to create the drawing information of " + strName + ".";
        case TableStep::Flatten:
            return "Unable to flatten the drawing information of " + strName + " (" + std::to_string(outcome.result) +
                   ").";
        case TableStep::Read:
            break;
    }
    return "Unable to read the attributes of " + strName + ".";
}

std::optional<AttributeTable> AttributeTableHeadings(cAutoCAD& engine, const DrawingTableFiles& files) {
    // The headings are those of a drawing with one attribute: its table's first row.
    InsertInfo insert;
    insert.attributes.push_back(AttributeInfo{"1", 1, "TAG", ""});
    const DrawingInfo sample{"", {BlockInfo{"*Model_Space", "Model", {insert}}}};
    std::string strErr;
    if (!WriteWorkFile(files.strDrawingXml, DrawingInfoToXml(sample, true), strErr)) return std::nullopt;
    std::optional<AttributeTable> table;
    const DrawingTableOutcome outcome = Flattened(engine, files, true, table);
    DeleteFileUtf8(files.strDrawingXml);
    DeleteFileUtf8(files.strFlatXml);
    if (!outcome.Ok() || !table || table->Rows() < 1) return std::nullopt;
    std::optional<AttributeTable> headings;
    headings.emplace(1, table->Columns());
    for (std::size_t c = 0; c < table->Columns(); ++c) headings->Cell(0, c) = table->Text(0, c);
    return headings;
}

}  // namespace kel
