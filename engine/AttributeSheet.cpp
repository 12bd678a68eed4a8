#include "engine/AttributeSheet.h"

#include <charconv>
#include <cmath>
#include <map>
#include <set>
#include <utility>

#include "engine/FlatLayout.h"

namespace kel {

namespace {

// True for the mark preceded by backslashes only (none included).
bool IsMarkAfterBackslashes(const std::string& strText) {
    const std::size_t n = strText.find_first_not_of('\\');
    return n != std::string::npos && strText.compare(n, std::string::npos, kNotPresentMark) == 0;
}

std::string ColumnName(const std::string& strTag, int occurrence) {
    return occurrence == 1 ? strTag : strTag + " (" + std::to_string(occurrence) + ")";
}

// "TAG (N)" with N >= 2 is the N-th TAG; any other name is the first.
std::pair<std::string, int> TagOfColumn(const std::string& strName) {
    const std::size_t open = strName.rfind(" (");
    if (open != std::string::npos && strName.size() > open + 3 && strName.back() == ')') {
        int n = 0;
        const char* first = strName.data() + open + 2;
        const char* last = strName.data() + strName.size() - 1;
        const auto [ptr, ec] = std::from_chars(first, last, n);
        if (ec == std::errc() && ptr == last && n >= 2 && *first != '0') return {strName.substr(0, open), n};
    }
    return {strName, 1};
}

bool ParseNumber(const std::string& strText, double& value) {
    std::string_view s(strText);
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    if (s.empty()) return false;
    const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    return ec == std::errc() && ptr == s.data() + s.size() && std::isfinite(value);
}

}  // namespace

std::string SheetTextOfValue(const std::string& strValue) {
    return IsMarkAfterBackslashes(strValue) ? "\\" + strValue : strValue;
}

bool ValueOfSheetText(const std::string& strText, std::string& strValue) {
    if (strText == kNotPresentMark) return false;
    strValue = IsMarkAfterBackslashes(strText) ? strText.substr(1) : strText;
    return true;
}

std::string CellName(std::size_t column, std::size_t row) {
    std::string letters;
    for (std::size_t c = column + 1; c > 0; c = (c - 1) / 26) letters.insert(letters.begin(), char('A' + (c - 1) % 26));
    return letters + std::to_string(row);
}

std::size_t AttributeSheetBuilder::Column(const std::string& strTag, int occurrence) {
    const std::string name = ColumnName(strTag, occurrence);
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        if (columns_[i] == name) return i;
    }
    columns_.push_back(name);
    return columns_.size() - 1;
}

void AttributeSheetBuilder::AddDrawing(const std::string& strDrawing, const AttributeTable& table) {
    if (table.Dimensions() != 2 || table.Columns() < flat::kRecordColumns) return;
    const std::size_t r0 = table.RowLower(), c0 = table.ColumnLower();
    const auto text = [&](std::size_t r, std::size_t c) -> const std::string& { return table.Text(r0 + r, c0 + c); };
    std::map<std::string, int> seen;  // occurrences of each tag in the current insert
    for (std::size_t r = 0; r < table.Rows(); ++r) {
        const std::string& handle = text(r, flat::kColInsert);
        // An insert's attributes are consecutive records.
        if (inserts_.empty() || r == 0 || text(r - 1, flat::kColInsert) != handle) {
            inserts_.push_back(Insert{strDrawing, text(r, flat::kColLayout), text(r, flat::kColBlock), handle, {}});
            seen.clear();
        }
        const std::string& tag = text(r, flat::kColTag);
        const int occurrence = ++seen[tag];
        inserts_.back().values.emplace_back(Column(tag, occurrence), text(r, flat::kColValue));
    }
}

SheetRows AttributeSheetBuilder::Build() const {
    SheetRows sheet;
    SheetRow heading;
    for (const char* name : kSheetKeyNames) heading.push_back({name});
    for (const std::string& name : columns_) heading.push_back({name});
    sheet.rows.push_back(std::move(heading));
    for (const Insert& ins : inserts_) {
        SheetRow row{{ins.drawing}, {ins.layout}, {ins.block}, {ins.handle}};
        row.resize(kSheetKeyColumns + columns_.size(), SheetCell{kNotPresentMark});
        for (const auto& [column, value] : ins.values) row[kSheetKeyColumns + column].text = SheetTextOfValue(value);
        sheet.rows.push_back(std::move(row));
    }
    return sheet;
}

bool ReadAttributeSheet(const SheetRows& sheet, std::vector<SheetDrawingEdit>& edits, std::string& strErr) {
    edits.clear();
    if (sheet.rows.empty()) {
        strErr = "The sheet is empty: it has no heading row.";
        return false;
    }
    const SheetRow& heading = sheet.rows.front();
    for (std::size_t c = 0; c < kSheetKeyColumns; ++c) {
        if (c >= heading.size() || heading[c].text != kSheetKeyNames[c]) {
            strErr = "Cell " + CellName(c, 1) + " must be the heading \"" + kSheetKeyNames[c] +
                     "\" (the columns Drawing, Layout, Block, Handle come first).";
            return false;
        }
    }
    std::vector<std::pair<std::string, int>> tags;
    std::set<std::pair<std::string, int>> unique;
    for (std::size_t c = kSheetKeyColumns; c < heading.size(); ++c) {
        auto tag = TagOfColumn(heading[c].text);
        if (tag.first.empty()) {
            strErr = "Cell " + CellName(c, 1) + ": a tag column needs a name.";
            return false;
        }
        if (!unique.insert(tag).second) {
            strErr = "Cell " + CellName(c, 1) + ": the column " + heading[c].text + " is there twice.";
            return false;
        }
        tags.push_back(std::move(tag));
    }

    std::map<std::string, std::size_t> drawingIndex;
    std::map<std::pair<std::string, std::string>, std::size_t> insertRow;
    for (std::size_t r = 1; r < sheet.rows.size(); ++r) {
        const SheetRow& row = sheet.rows[r];
        const std::size_t number = r + 1;
        if (row.size() != heading.size()) {
            strErr = "Row " + std::to_string(number) + " has " + std::to_string(row.size()) + " cells, the heading row " +
                     std::to_string(heading.size()) + ".";
            return false;
        }
        const std::string& drawing = row[0].text;
        const std::string& handle = row[3].text;
        if (drawing.empty() || handle.empty()) {
            strErr = "Row " + std::to_string(number) + " names no " + (drawing.empty() ? "drawing" : "insert handle") +
                     " (cell " + CellName(drawing.empty() ? 0 : 3, number) + ").";
            return false;
        }
        const auto [at, fresh] = insertRow.emplace(std::make_pair(drawing, handle), number);
        if (!fresh) {
            strErr = "Rows " + std::to_string(at->second) + " and " + std::to_string(number) + " both name insert " +
                     handle + " of " + drawing + ".";
            return false;
        }
        const auto [di, newDrawing] = drawingIndex.emplace(drawing, edits.size());
        if (newDrawing) edits.push_back(SheetDrawingEdit{drawing, {}});
        SheetInsertEdit insert{handle, number, {}};
        for (std::size_t c = kSheetKeyColumns; c < row.size(); ++c) {
            std::string value;
            if (!ValueOfSheetText(row[c].text, value)) continue;
            const auto& tag = tags[c - kSheetKeyColumns];
            insert.cells.push_back(SheetCellEdit{tag.first, tag.second, std::move(value), row[c].blnNumber,
                                                 CellName(c, number)});
        }
        edits[di->second].inserts.push_back(std::move(insert));
    }
    return true;
}

bool SheetValueMatches(const SheetCellEdit& cell, const std::string& strCurrent) {
    if (cell.value == strCurrent) return true;
    if (!cell.blnNumber) return false;
    double number = 0, current = 0;
    return ParseNumber(cell.value, number) && ParseNumber(strCurrent, current) && number == current;
}

}  // namespace kel
