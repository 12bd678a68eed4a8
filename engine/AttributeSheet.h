// Attributes as a spreadsheet: one row per block insert that has attributes,
// the columns Drawing, Layout, Block and Handle that identify the insert, then
// one column per attribute tag. The same rows are written as XLSX or CSV and
// read back from them; this part knows neither format.
//
// Cell texts:
// - a tag the insert does not have is the mark "<not present>", so that it
//   differs from an empty value;
// - a value that is the mark, or the mark after one or more backslashes, is
//   written with one more backslash in front, and read back without it.
// A tag that occurs more than once in one insert has a column per occurrence:
// "TAG", then "TAG (2)", "TAG (3)" (a tag holds no space, so these never name
// another tag).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "engine/AttributeTable.h"

namespace kel {

inline constexpr const char* kNotPresentMark = "<not present>";
inline constexpr std::size_t kSheetKeyColumns = 4;
inline constexpr const char* kSheetKeyNames[kSheetKeyColumns] = {"Drawing", "Layout", "Block", "Handle"};

// A sheet as rows of texts; the first row holds the column names.
struct SheetCell {
    std::string text;
    // The spreadsheet holds a number here, not a text (a program turned a
    // value such as "007" into 7); text is the number as the file spells it.
    bool blnNumber = false;
};
using SheetRow = std::vector<SheetCell>;
struct SheetRows {
    std::vector<SheetRow> rows;
};

// The cell text of an attribute value, and the other way round.
std::string SheetTextOfValue(const std::string& strValue);
// False for the mark (the attribute is left alone); otherwise the value.
bool ValueOfSheetText(const std::string& strText, std::string& strValue);

// Collects the drawings' tables (without heading row) into one sheet: columns
// of every tag seen, in the order first seen.
class AttributeSheetBuilder {
public:
    void AddDrawing(const std::string& strDrawing, const AttributeTable& table);
    // The sheet: heading row, then the rows in the order the drawings were added.
    SheetRows Build() const;
    std::size_t Inserts() const { return inserts_.size(); }

private:
    struct Insert {
        std::string drawing, layout, block, handle;
        // Column index -> value.
        std::vector<std::pair<std::size_t, std::string>> values;
    };
    std::size_t Column(const std::string& strTag, int occurrence);

    std::vector<std::string> columns_;  // names of the tag columns
    std::vector<Insert> inserts_;
};

// One cell to bring into a drawing: the occurrence-th attribute (from 1) with
// the tag, given the value.
struct SheetCellEdit {
    std::string tag;
    int occurrence = 1;
    std::string value;
    bool blnNumber = false;
    // Where it stands, for messages: "C7".
    std::string where;
};

struct SheetInsertEdit {
    std::string handle;
    std::size_t row = 0;  // the sheet's row number, from 1 (the heading row is 1)
    std::vector<SheetCellEdit> cells;
};

struct SheetDrawingEdit {
    std::string drawing;
    std::vector<SheetInsertEdit> inserts;
};

// Reads the sheet back into the edits of each drawing, in the order the
// drawings first appear. False, with a message naming the row or cell, for a
// sheet that is not one of these: no heading row or other key columns, an
// empty or repeated tag column name, a row longer or shorter than the heading
// row, an empty drawing or handle, one insert in two rows.
bool ReadAttributeSheet(const SheetRows& sheet, std::vector<SheetDrawingEdit>& edits, std::string& strErr);

// The spreadsheet name of a cell: column from 0, row from 1 ("A1").
std::string CellName(std::size_t column, std::size_t row);

// Whether a cell's value stands for the attribute's current value: the same
// text, or for a number cell the same number (7 for "007", 1.5 for "1.50").
bool SheetValueMatches(const SheetCellEdit& cell, const std::string& strCurrent);

}  // namespace kel
