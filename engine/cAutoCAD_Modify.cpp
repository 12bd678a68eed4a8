// Applying the prepared template to the open drawing: the drawing's attributes
// are listed as rows (from the component's description, or from its XML
// flattened into the attribute table), and every row that a tag line selects
// gets one component call and one audit line.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/AttributeRows.h"
#include "engine/TagLine.h"
#include "engine/TextLines.h"
#include "engine/TextSearch.h"
#include "engine/DrawingTable.h"
#include "engine/cAutoCAD.h"
#include "platform/FileSystem.h"

namespace kel {
namespace {

// The component's status after a failed call; "" when there is no component or
// the status cannot be read.
std::string ComponentStatus(const std::unique_ptr<IDrawingComponent>& component) {
    try {
        return component ? component->Status() : std::string();
    } catch (...) {
        return {};
    }
}

bool NoRestriction(const std::string& strFilter) { return strFilter.empty() || strFilter == "*"; }

void Fail(std::string* strErr, LogFile* intFile, const std::string& strMessage) {
    if (strErr) *strErr = strMessage;
    if (intFile) intFile->WriteLine(strMessage);
}

// What one tag line does to one row: whether the row qualifies (filters aside),
// and if so the call to make and its audit line.
struct RowAction {
    bool qualifies = false;
    bool remove = false;
    std::string value;
    std::string audit;
};

// The kind of change a tag line makes, as a change list names it.
const char* ActionName(const TagLine& t, bool remove) {
    if (remove) return "delete";
    switch (t.kind) {
        case TagLineKind::GlobalClear:
        case TagLineKind::TagClear:
            return "clear";
        case TagLineKind::GlobalFind:
        case TagLineKind::TagFind:
            return "replace";
        default:
            return "set";
    }
}

RowAction ActionFor(const TagLine& t, std::string_view tag, std::string_view value) {
    RowAction a;
    switch (t.kind) {
        case TagLineKind::None:
            break;
        case TagLineKind::GlobalDelete:
            a = {true, true, {}, "Deleted " + std::string(tag)};
            break;
        case TagLineKind::GlobalClear:
            a = {true, false, {}, "Cleared " + std::string(tag)};
            break;
        case TagLineKind::GlobalFind:
            if (ContainsNoCase(value, t.find)) {
                a = {true, false, ReplaceAllNoCase(value, t.find, t.value),
                     "Found '" + t.find + "' in " + std::string(tag) + " and replaced with '" + t.value + "'"};
            }
            break;
        case TagLineKind::GlobalSet:
            a = {true, false, t.value, "Replaced " + std::string(tag) + " with '" + t.value + "'"};
            break;
        case TagLineKind::GlobalTagSet:
            if (ContainsNoCase(tag, t.find)) {
                a = {true, false, t.value, "Found " + t.find + " and replaced with '" + t.value + "'"};
            }
            break;
        case TagLineKind::TagDelete:
            if (EqualsNoCase(tag, t.tag)) a = {true, true, {}, "Deleted " + t.tag};
            break;
        case TagLineKind::TagClear:
            if (EqualsNoCase(tag, t.tag)) a = {true, false, {}, "Cleared " + t.tag};
            break;
        case TagLineKind::TagSet:
            if (EqualsNoCase(tag, t.tag)) {
                a = {true, false, t.value, "Found " + t.tag + " and replaced with '" + t.value + "'"};
            }
            break;
        case TagLineKind::TagFind:
            if (EqualsNoCase(tag, t.tag) && ContainsNoCase(value, t.find)) {
                a = {true, false, ReplaceAllNoCase(value, t.find, t.value),
                     "Found '" + t.find + "' in " + t.tag + " and replaced with '" + t.value + "'"};
            }
            break;
    }
    return a;
}

}  // namespace

// The tag line with its value's placeholders filled in for the row's drawing
// and insert; {attr:TAG} takes the value another attribute of the same insert
// had when the drawing was read.
TagLine cAutoCAD::Expanded(const TagLine& t, const AttributeRow& row, const std::vector<AttributeRow>& rows) const {
    TagLine e = t;
    const auto attribute = [&](const std::string& strTag, std::string& strValue) {
        for (const AttributeRow& other : rows) {
            if (other.insert->handle == row.insert->handle && EqualsNoCase(other.tag, strTag)) {
                strValue = std::string(other.value);
                return true;
            }
        }
        return false;
    };
    e.value = ExpandPlaceholders(t.value, placeholders, attribute);
    return e;
}

bool cAutoCAD::MatchesFilters(std::string_view strSpace, std::string_view strLayout, std::string_view strBlock,
                              std::string_view strLayer) const {
    if (!NoRestriction(strLayoutFilter) && !ContainsNoCase(strLayoutFilter, strLayout)) return false;
    // The space filter is a fragment of the owner block's name (MODEL for *Model_Space).
    if (!NoRestriction(strSpaceFilter) && !ContainsNoCase(strSpace, strSpaceFilter)) return false;
    if (!NoRestriction(strBlockFilter) && !ContainsNoCase(strBlockFilter, strBlock)) return false;
    if (!NoRestriction(strLayerFilter) && !ContainsNoCase(strLayerFilter, strLayer)) return false;
    return true;
}

// The attribute rows of the open drawing: listed by the component when it can,
// else from its description when it gives one, otherwise from the drawing
// information XML flattened into the attribute table. All give the same rows;
// the listing spares building the description, the description spares writing
// and reading the work files. The rows view into the drawing, info or table.
// False after the failure has been reported.
bool cAutoCAD::ReadAttributeRows(DrawingInfo& info, std::optional<AttributeTable>& table,
                                 AttributeRows& rows, std::string* strErr, LogFile* intFile) {
    bool listed = false, described = false;
    try {
        listed = objDWG && objDWG->ListAttributes(rows);
        described = !listed && objDWG && objDWG->DescribeDrawing(info);
    } catch (...) {
        listed = described = false;
    }
    if (listed || described) {
        if (ComponentStatus(objDWG) != kStatusOk) {
            Fail(strErr, intFile, "Unable to create XML file.");
            return false;
        }
        // A listing whose component checked its texts leaves only the path to check.
        const auto wellFormed = [&] { return rows.textsWellFormed ? IsValidUtf8(rows.path) : AllValidUtf8(rows); };
        if (listed ? wellFormed() : RowsOfDrawing(info, rows)) {
            // An empty table cannot be read from the flat XML either.
            if (rows.rows.empty()) Fail(strErr, intFile, "Unable to parse XML file.");
            return !rows.rows.empty();
        }
    }
    rows = {};
    info = {};

    const DrawingTableFiles files{strAppFolder + "_file.xml", strAppFolder + "_flat.xml", false};
    const DrawingTableOutcome outcome = AttributeTableOfDrawing(*this, files, false, table);
    if (!outcome.Ok()) {
        DeleteFileUtf8(files.strDrawingXml);
        DeleteFileUtf8(files.strFlatXml);
        switch (outcome.failed) {
            case TableStep::DrawingXml:
                Fail(strErr, intFile, "Unable to create XML file.");
                break;
            case TableStep::Flatten:
                Fail(strErr, intFile, "Unable to create flattened XML file.");
                break;
            default:
                Fail(strErr, intFile, "Unable to parse XML file.");
                break;
        }
        table.reset();
        return false;
    }
    rows = RowsOfTable(*table);
    return true;
}

// Result 1: at least one call succeeded. 0: no row qualified ("No data found to
// process."). -1: no template held; the attribute rows could not be had; or
// rows qualified but every component call failed ("Unable to change
// attributes: " and the status of the last failed call). A failed call's audit
// line ends in " - failed: " and the component's status.
std::int16_t cAutoCAD::GetAttributes(std::string* strErr, const std::string& strDelimiter, LogFile* intFile) {
    if (sheetEdits) return ApplySheetEdits(strErr, intFile);
    if (strTagLines.empty()) return -1;

    DrawingInfo info;
    std::optional<AttributeTable> varArray;
    AttributeRows rows;
    if (!ReadAttributeRows(info, varArray, rows, strErr, intFile)) return -1;

    bool blnQualified = false;
    bool blnChanged = false;
    std::string strLastFailure;
    // Each row's tag as a number, taken once: a line that names one tag passes
    // over the rows of other tags without reading their text again.
    std::vector<std::uint32_t> tagKeys;
    for (const std::string& strLine : strTagLines) {
        const TagLine t = ClassifyTagLine(strLine, strDelimiter);
        if (t.kind == TagLineKind::None) continue;
        const bool oneTag = t.kind == TagLineKind::TagDelete || t.kind == TagLineKind::TagClear ||
                            t.kind == TagLineKind::TagSet || t.kind == TagLineKind::TagFind;
        if (oneTag && tagKeys.empty()) {
            tagKeys.reserve(rows.rows.size());
            for (const AttributeRow& row : rows.rows) tagKeys.push_back(FoldedKey(row.tag));
        }
        const std::uint32_t wanted = oneTag ? FoldedKey(t.tag) : 0;
        // Setting, clearing or deleting a named tag does the same to every row
        // of that tag, whatever its value: without placeholders, what to do and
        // its audit line are worked out once for the line.
        std::optional<RowAction> common;
        if (!blnPlaceholders && (t.kind == TagLineKind::TagSet || t.kind == TagLineKind::TagClear ||
                                 t.kind == TagLineKind::TagDelete)) {
            common = ActionFor(t, t.tag, {});
        }
        for (std::size_t r = 0; r < rows.rows.size(); ++r) {
            if (oneTag && tagKeys[r] != wanted) continue;
            const AttributeRow& row = rows.rows[r];
            RowAction own;
            if (common) {
                if (!EqualsNoCase(row.tag, t.tag)) continue;
            } else {
                own = ActionFor(blnPlaceholders ? Expanded(t, row, rows.rows) : t, row.tag, row.value);
                if (!own.qualifies) continue;
            }
            const RowAction& a = common ? *common : own;
            const RowInsert& ins = *row.insert;
            if (!MatchesFilters(ins.space, ins.layout, ins.block, ins.layer)) continue;
            blnQualified = true;
            // A value of several lines (a multi-line attribute's) is named as such.
            std::string strAuditEnd;
            if (row.value.find('\n') != std::string_view::npos) strAuditEnd = " (multi-line value)";
            const std::string handle(row.handle);
            const std::int16_t rc = a.remove ? DeleteObject(handle) : UpdateBlockAttribute(a.value, handle);
            if (rc == 1) {
                blnChanged = true;
                if (blnRecordChanges) {
                    changes.push_back(AttributeChange{std::string(ins.layout), std::string(ins.block), handle,
                                                      std::string(row.tag), std::string(row.value),
                                                      a.remove ? std::string() : a.value, ActionName(t, a.remove)});
                }
            } else {
                strLastFailure = ComponentStatus(objDWG);
                strAuditEnd += " - failed: " + strLastFailure;
            }
            if (intFile) intFile->WriteLine(strAuditEnd.empty() ? a.audit : a.audit + strAuditEnd);
        }
    }

    if (blnChanged) return 1;
    if (blnQualified) {
        Fail(strErr, intFile, "Unable to change attributes: " + strLastFailure);
        return -1;
    }
    Fail(strErr, intFile, kNoDataFound);
    return 0;
}

}  // namespace kel
