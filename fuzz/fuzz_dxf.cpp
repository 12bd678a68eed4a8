// DXF reader: any bytes that open must describe, take a new attribute value,
// serialize, and open again with the same attributes. The attribute rows the
// engine takes from the description must be the rows of its XML chain.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "component/DrawingInfoXml.h"
#include "component/IDrawingComponent.h"
#include "component/dxf/DxfDocument.h"
#include "engine/AttributeRows.h"
#include "engine/cAutoCAD.h"
#include "fuzz/FuzzFiles.h"

namespace {

std::size_t CountAttributes(const kel::DrawingInfo& info) {
    std::size_t n = 0;
    for (const auto& block : info.blocks)
        for (const auto& insert : block.inserts) n += insert.attributes.size();
    return n;
}

bool SameRow(const kel::AttributeRow& a, const kel::AttributeRow& b) {
    return a.space == b.space && a.layout == b.layout && a.block == b.block && a.layer == b.layer &&
           a.handle == b.handle && a.tag == b.tag && a.value == b.value;
}

// The rows straight from the description against the rows of the XML written,
// flattened and read back as a table.
void CheckRows(const kel::DrawingInfo& info) {
    std::vector<kel::AttributeRow> direct;
    if (!kel::RowsOfDrawing(info, direct)) return;  // left to the XML chain
    auto& scratch = kel::fuzz::Scratch();
    const std::string xml = kel::DrawingInfoToXml(info, true);
    const std::string source = scratch.Write("_file.xml", reinterpret_cast<const std::uint8_t*>(xml.data()), xml.size());
    const std::string flat = scratch.Path("_flat.xml");
    kel::cAutoCAD engine([](kel::ComponentCreationError&) { return nullptr; }, nullptr, scratch.Folder());
    engine.FlattenXMLfile(source, flat, 3);
    std::optional<kel::AttributeTable> table;
    engine.FlatXMLfileToArray(flat, table, false);
    const std::vector<kel::AttributeRow> chain = table ? kel::RowsOfTable(*table) : std::vector<kel::AttributeRow>{};
    bool same = chain.size() == direct.size();
    for (std::size_t i = 0; same && i < chain.size(); ++i) same = SameRow(chain[i], direct[i]);
    if (!same) {
        std::fprintf(stderr, "rows differ: %zu from the description, %zu through the XML\n", direct.size(),
                     chain.size());
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string status;
    auto doc = kel::dxf::DxfDocument::Open(std::string(reinterpret_cast<const char*>(data), size), status);
    if (!doc) return 0;
    const kel::DrawingInfo before = doc->Describe();
    (void)kel::DrawingInfoToXml(before, true);
    const std::size_t count = CountAttributes(before);
    if (count > 0) CheckRows(before);

    // Change the first attribute and delete the last one (when there are two).
    std::string firstHandle, lastHandle;
    for (const auto& block : before.blocks) {
        for (const auto& insert : block.inserts) {
            for (const auto& a : insert.attributes) {
                if (firstHandle.empty()) firstHandle = a.handle;
                lastHandle = a.handle;
            }
        }
    }
    std::size_t expected = count;
    if (!firstHandle.empty()) doc->SetAttributeValue(firstHandle, "fuzz <&> \xC3\xA9 value");
    if (!lastHandle.empty() && lastHandle != firstHandle && doc->DeleteEntity(lastHandle) == kel::kStatusOk) {
        --expected;
    }
    (void)doc->Describe();

    std::string again;
    auto reopened = kel::dxf::DxfDocument::Open(doc->Serialize(), again);
    if (!reopened) {
        std::fprintf(stderr, "saved drawing does not open again: %s\n", again.c_str());
        std::abort();
    }
    if (CountAttributes(reopened->Describe()) != expected) {
        std::fprintf(stderr, "saved drawing has %zu attributes, expected %zu\n",
                     CountAttributes(reopened->Describe()), expected);
        std::abort();
    }
    return 0;
}
