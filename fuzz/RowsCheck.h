// The attribute rows the engine takes from a drawing description must be the
// rows of its XML chain (XML written, flattened, read back as a table); any
// difference aborts the harness.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "component/DrawingInfoXml.h"
#include "engine/AttributeRows.h"
#include "engine/cAutoCAD.h"
#include "fuzz/FuzzFiles.h"
#include "fuzz/ScratchEngine.h"

namespace kel::fuzz {

inline bool SameRow(const AttributeRow& a, const AttributeRow& b) {
    return a.space == b.space && a.layout == b.layout && a.block == b.block && a.layer == b.layer &&
           a.handle == b.handle && a.tag == b.tag && a.value == b.value;
}

// The rows straight from the description against the rows of the XML written,
// flattened and read back as a table.
inline void CheckRows(const DrawingInfo& info) {
    const std::string xml = DrawingInfoToXml(info, true);
    std::vector<AttributeRow> direct;
    if (!RowsOfDrawing(info, direct)) return;  // left to the XML chain
    auto& scratch = Scratch();
    const std::string source =
        scratch.Write("_file.xml", reinterpret_cast<const std::uint8_t*>(xml.data()), xml.size());
    const std::string flat = scratch.Path("_flat.xml");
    ScratchEngine scratchEngine;
    cAutoCAD& engine = scratchEngine.engine;
    engine.FlattenXMLfile(source, flat, 3);
    std::optional<AttributeTable> table;
    engine.FlatXMLfileToArray(flat, table, false);
    const std::vector<AttributeRow> chain = table ? RowsOfTable(*table) : std::vector<AttributeRow>{};
    bool same = chain.size() == direct.size();
    for (std::size_t i = 0; same && i < chain.size(); ++i) same = SameRow(chain[i], direct[i]);
    if (!same) {
        std::fprintf(stderr, "rows differ: %zu from the description, %zu through the XML\n", direct.size(),
                     chain.size());
        std::abort();
    }
}

}  // namespace kel::fuzz
