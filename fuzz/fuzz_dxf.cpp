// DXF reader: any bytes that open must describe, take a new attribute value,
// serialize, and open again with the same attributes. The attribute rows the
// engine takes from the description must be the rows of its XML chain, and
// the rows the document lists those of its description.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "component/DrawingInfoXml.h"
#include "component/IDrawingComponent.h"
#include "component/dxf/DxfDocument.h"
#include "fuzz/RowsCheck.h"

namespace {

std::size_t CountAttributes(const kel::DrawingInfo& info) {
    std::size_t n = 0;
    for (const auto& block : info.blocks)
        for (const auto& insert : block.inserts) n += insert.attributes.size();
    return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string status;
    auto doc = kel::dxf::DxfDocument::Open(std::string(reinterpret_cast<const char*>(data), size), status);
    if (!doc) return 0;
    const kel::DrawingInfo before = doc->Describe();
    (void)kel::DrawingInfoToXml(before, true);
    const std::size_t count = CountAttributes(before);
    if (count > 0) kel::fuzz::CheckRows(before);
    kel::fuzz::CheckListing(*doc, before);

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
    kel::fuzz::CheckListing(*doc, doc->Describe());

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
