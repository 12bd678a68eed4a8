// The rows a template is matched against: one per attribute, with the fields
// that the template's filters and tag lines read. The texts are views into the
// table or the drawing description the rows were taken from.
#pragma once

#include <string_view>
#include <vector>

#include "component/AttributeListing.h"
#include "component/DrawingInfo.h"
#include "engine/AttributeTable.h"

namespace kel {

// Rows of an attribute table read from the flat XML of the Attributes chapter
// (no heading row). A column the table lacks reads as "".
AttributeRows RowsOfTable(const AttributeTable& table);

// Rows straight from the drawing description, in the order the flat XML lists
// them. False (rows left empty) when a text of the description is not valid
// UTF-8: the XML of such a description is read as Latin-1 text, so its rows can
// only be had through the XML.
bool RowsOfDrawing(const DrawingInfo& info, AttributeRows& rows);

// True when every text of rows a component listed, and its path, are valid
// UTF-8: what RowsOfDrawing asks of a description.
bool AllValidUtf8(const AttributeRows& rows);

}  // namespace kel
