// The one way from an open drawing to its attribute table: the drawing
// information XML, its Attributes chapter flattened, the flat XML read into the
// table. The engine's modification, the attribute viewer and the command line's
// --show and --export all take a drawing's table from here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/AttributeTable.h"

namespace kel {

class cAutoCAD;

// The step that failed, or Done.
enum class TableStep { Done, DrawingXml, Flatten, Read };

struct DrawingTableOutcome {
    TableStep failed = TableStep::Done;
    // The failed step's engine result (FlattenXMLfile's, FlatXMLfileToArray's).
    std::int16_t result = 1;
    // The drawing has no attribute. Its table cannot be read from the flat XML
    // (failed is Read), but the table given back holds the heading row alone
    // when headings were asked for.
    bool blnNoAttributes = false;

    bool Ok() const { return failed == TableStep::Done; }
};

// Work files of one reading: the drawing information XML and the flat XML.
// Each is removed once the next step has used it; the file a step failed on
// is left in place. Leftovers of an earlier reading are removed first.
struct DrawingTableFiles {
    std::string strDrawingXml;
    std::string strFlatXml;
    // The drawing is closed as soon as its XML has been written.
    bool blnCloseAfterXml = false;
};

// The attribute table of the drawing open in engine (records of the
// Attributes chapter, with the heading row first when blnIncludeHeadings).
DrawingTableOutcome AttributeTableOfDrawing(cAutoCAD& engine, const DrawingTableFiles& files,
                                            bool blnIncludeHeadings, std::optional<AttributeTable>& table);

// A clear text for a failed reading of the drawing strName: "Unable to create
// the drawing information of NAME.", "Unable to flatten the drawing
// information of NAME (-2).", "Unable to read the attributes of NAME."; ""
// when the reading succeeded.
std::string DrawingTableFailureText(const DrawingTableOutcome& outcome, const std::string& strName);

// The heading row alone: the column names of a table read with headings.
// nullopt when it cannot be built (the work files cannot be written).
std::optional<AttributeTable> AttributeTableHeadings(cAutoCAD& engine, const DrawingTableFiles& files);

}  // namespace kel
