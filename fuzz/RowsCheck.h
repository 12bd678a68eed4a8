// The attribute rows the engine takes from a drawing description must be the
// rows of its XML chain (XML written, flattened, read back as a table); any
// difference aborts the harness. So must the rows a document lists without a
// description.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "component/DrawingInfoXml.h"
#include "component/IDrawingDocument.h"
#include "engine/AttributeRows.h"
#include "engine/cAutoCAD.h"
#include "fuzz/FuzzFiles.h"
#include "fuzz/ScratchEngine.h"

namespace kel::fuzz {

inline bool SameRow(const AttributeRow& a, const AttributeRow& b) {
    return *a.insert == *b.insert && a.handle == b.handle && a.tag == b.tag && a.value == b.value;
}

// The rows straight from the description against the rows of the XML written,
// flattened and read back as a table.
inline void CheckRows(const DrawingInfo& info) {
    const std::string xml = DrawingInfoToXml(info, true);
    AttributeRows direct;
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
    const AttributeRows chain = table ? RowsOfTable(*table) : AttributeRows{};
    bool same = chain.rows.size() == direct.rows.size();
    for (std::size_t i = 0; same && i < chain.rows.size(); ++i) same = SameRow(chain.rows[i], direct.rows[i]);
    if (!same) {
        std::fprintf(stderr, "rows differ: %zu from the description, %zu through the XML\n", direct.rows.size(),
                     chain.rows.size());
        std::abort();
    }
}

// The rows a document lists against the rows of its description.
inline void CheckListing(const IDrawingDocument& doc, const DrawingInfo& info) {
    AttributeRows listed, described;
    if (!doc.ListAttributes(listed)) return;
    const bool valid = RowsOfDrawing(info, described);
    // A listing that says its texts are well-formed must be right.
    if (listed.textsWellFormed && !AllValidUtf8(listed)) {
        std::fprintf(stderr, "a listing said its texts were well-formed UTF-8 and they are not\n");
        std::abort();
    }
    bool same = valid == AllValidUtf8(listed) && (!valid || listed.rows.size() == described.rows.size());
    for (std::size_t i = 0; same && valid && i < listed.rows.size(); ++i) {
        same = SameRow(listed.rows[i], described.rows[i]);
    }
    if (!same) {
        std::fprintf(stderr, "listed rows differ from the description's: %zu listed, %zu described\n",
                     listed.rows.size(), described.rows.size());
        std::abort();
    }
}

}  // namespace kel::fuzz
