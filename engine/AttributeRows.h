// The rows a template is matched against: one per attribute, with the fields
// that the template's filters and tag lines read. The texts are views into the
// table or the drawing description the rows were taken from.
#pragma once

#include <string_view>
#include <vector>

#include "component/DrawingInfo.h"
#include "engine/AttributeTable.h"

namespace kel {

// What the rows of one insert's attributes share.
struct RowInsert {
    std::string_view space;   // the owner block's name (*Model_Space, *Paper_Space, ...)
    std::string_view layout;  // the owner's layout name
    std::string_view block;   // the inserted block's name
    std::string_view layer;   // the insert's layer
    std::string_view handle;  // the insert's handle
    bool operator==(const RowInsert&) const = default;
};

struct AttributeRow {
    const RowInsert* insert = nullptr;
    std::string_view handle;  // the attribute's handle
    std::string_view tag;
    std::string_view value;
};

// Rows with the inserts they point into. Moving keeps those pointers; copying
// would not, so it is not allowed.
struct AttributeRows {
    std::vector<RowInsert> inserts;
    std::vector<AttributeRow> rows;

    AttributeRows() = default;
    AttributeRows(AttributeRows&&) = default;
    AttributeRows& operator=(AttributeRows&&) = default;
    AttributeRows(const AttributeRows&) = delete;
    AttributeRows& operator=(const AttributeRows&) = delete;
};

// Rows of an attribute table read from the flat XML of the Attributes chapter
// (no heading row). A column the table lacks reads as "".
AttributeRows RowsOfTable(const AttributeTable& table);

// Rows straight from the drawing description, in the order the flat XML lists
// them. False (rows left empty) when a text of the description is not valid
// UTF-8: the XML of such a description is read as Latin-1 text, so its rows can
// only be had through the XML.
bool RowsOfDrawing(const DrawingInfo& info, AttributeRows& rows);

}  // namespace kel
