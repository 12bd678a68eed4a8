// Bringing a spreadsheet's cells into the open drawing: each cell names an
// insert by its handle and an attribute by its tag (and occurrence); only a
// value that differs from the drawing's is written. Every insert and tag is
// looked up before anything changes, so a sheet that names something the
// drawing lacks leaves the drawing as it was.
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "engine/cAutoCAD.h"

namespace kel {

namespace {

// The attributes of one insert, in drawing order.
using InsertRows = std::vector<const AttributeRow*>;

const AttributeRow* FindAttribute(const InsertRows& rows, const std::string& strTag, int occurrence) {
    int seen = 0;
    for (const AttributeRow* row : rows) {
        if (row->tag == strTag && ++seen == occurrence) return row;
    }
    return nullptr;
}

std::string Quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

void Fail(std::string* strErr, LogFile* intFile, const std::string& strMessage) {
    if (strErr) *strErr = strMessage;
    if (intFile) intFile->WriteLine(strMessage);
}

std::string StatusOf(const std::unique_ptr<IDrawingComponent>& component) {
    try {
        return component ? component->Status() : std::string();
    } catch (...) {
        return {};
    }
}

}  // namespace

// Result 1: at least one attribute changed. 0: every cell matches the drawing
// ("No data found to process."). -1: the rows could not be had, the sheet names
// an insert or attribute the drawing lacks (nothing is changed; strErr lists
// them), or every component call failed.
std::int16_t cAutoCAD::ApplySheetEdits(std::string* strErr, LogFile* intFile) {
    DrawingInfo info;
    std::optional<AttributeTable> varArray;
    AttributeRows rows;
    if (!ReadAttributeRows(info, varArray, rows, strErr, intFile)) return -1;

    std::map<std::string_view, InsertRows> inserts;
    for (const AttributeRow& row : rows.rows) inserts[row.insert->handle].push_back(&row);

    struct Planned {
        const AttributeRow* row;
        const SheetCellEdit* cell;
    };
    std::vector<Planned> planned;
    std::vector<std::string> problems;
    for (const SheetInsertEdit& edit : *sheetEdits) {
        const auto it = inserts.find(edit.handle);
        if (it == inserts.end()) {
            problems.push_back("row " + std::to_string(edit.row) + ": no insert with attributes has the handle " +
                               edit.handle);
            continue;
        }
        for (const SheetCellEdit& cell : edit.cells) {
            const AttributeRow* row = FindAttribute(it->second, cell.tag, cell.occurrence);
            if (!row) {
                problems.push_back("cell " + cell.where + ": insert " + edit.handle + " has no attribute " +
                                   (cell.occurrence > 1 ? cell.tag + " (" + std::to_string(cell.occurrence) + ")"
                                                        : cell.tag));
                continue;
            }
            if (!SheetValueMatches(cell, std::string(row->value))) planned.push_back({row, &cell});
        }
    }
    if (!problems.empty()) {
        std::string text = "Not changed, the sheet does not fit the drawing: ";
        for (std::size_t i = 0; i < problems.size(); ++i) text += (i ? "; " : "") + problems[i];
        Fail(strErr, intFile, text + ".");
        return -1;
    }
    if (planned.empty()) {
        Fail(strErr, intFile, kNoDataFound);
        return 0;
    }

    bool blnChanged = false;
    std::string strLastFailure;
    for (const Planned& p : planned) {
        const std::string handle(p.row->handle);
        const std::string& value = p.cell->value;
        std::string audit = (value.empty() ? "Cleared " + std::string(p.row->tag)
                                           : "Set " + std::string(p.row->tag) + " to " + Quoted(value)) +
                            " from cell " + p.cell->where;
        if (UpdateBlockAttribute(value, handle) == 1) {
            blnChanged = true;
            if (blnRecordChanges) {
                changes.push_back(AttributeChange{std::string(p.row->insert->layout), std::string(p.row->insert->block), handle,
                                                  std::string(p.row->tag), std::string(p.row->value), value,
                                                  value.empty() ? "clear" : "set"});
            }
        } else {
            strLastFailure = StatusOf(objDWG);
            audit += " - failed: " + strLastFailure;
        }
        if (intFile) intFile->WriteLine(audit);
    }
    if (blnChanged) return 1;
    Fail(strErr, intFile, "Unable to change attributes: " + strLastFailure);
    return -1;
}

}  // namespace kel
