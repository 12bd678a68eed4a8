// DXF reader: any bytes read a block at a time (blocks of a size the bytes
// pick) index as when read whole. Any bytes that open must describe, take a
// new attribute value, serialize, and open again with the same attributes. The attribute rows the
// engine takes from the description must be the rows of its XML chain, and
// the rows the document lists those of its description.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "component/DrawingInfoXml.h"
#include "component/IDrawingComponent.h"
#include "component/dxf/DxfDocument.h"
#include "component/dxf/DxfModel.h"
#include "fuzz/RowsCheck.h"

namespace {

std::size_t CountAttributes(const kel::DrawingInfo& info) {
    std::size_t n = 0;
    for (const auto& block : info.blocks)
        for (const auto& insert : block.inserts) n += insert.attributes.size();
    return n;
}

void Fail(const char* what) {
    std::fprintf(stderr, "read a block at a time, the drawing indexes differently: %s\n", what);
    std::abort();
}

void CheckBlockReading(std::string_view bytes) {
    using namespace kel::dxf;
    DxfModel whole, blocks;
    std::string err, blockErr;
    bool notDxf = false, blockNotDxf = false;
    const bool ok = ReadDxfModel(bytes, whole, err, notDxf);
    const std::size_t first = bytes.empty() ? 0 : static_cast<unsigned char>(bytes[0]) % 64;
    std::size_t at = std::min(first, bytes.size());
    DxfTokenizer tok(
        std::string(bytes.substr(0, at)),
        [&](char* buf, std::size_t n, std::size_t& got, std::string&) {
            got = std::min(n, bytes.size() - at);
            std::memcpy(buf, bytes.data() + at, got);
            at += got;
            return true;
        },
        bytes.size() > 1 ? static_cast<unsigned char>(bytes[1]) % 97 + 1 : 1);
    const bool blockOk = ReadDxfModel(tok, blocks, blockErr, blockNotDxf);
    if (ok != blockOk || err != blockErr || notDxf != blockNotDxf) Fail("outcome");
    if (!ok) return;
    if (whole.complete != blocks.complete || whole.acadVer != blocks.acadVer) Fail("header");
    if (whole.attribs.size() != blocks.attribs.size() || whole.inserts.size() != blocks.inserts.size() ||
        whole.handles.size() != blocks.handles.size() || whole.objects.size() != blocks.objects.size()) {
        Fail("counts");
    }
    for (std::size_t i = 0; i < whole.attribs.size(); ++i) {
        const DxfAttrib &a = whole.attribs[i], &b = blocks.attribs[i];
        if (a.id != b.id || a.tag != b.tag || a.value.text != b.value.text || a.entity.start != b.entity.start ||
            a.entity.end != b.entity.end || a.value.start != b.value.start) {
            Fail("attribute");
        }
    }
    for (std::size_t i = 0; i < whole.inserts.size(); ++i) {
        if (whole.inserts[i].name != blocks.inserts[i].name || whole.inserts[i].layer != blocks.inserts[i].layer) {
            Fail("insert");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CheckBlockReading(std::string_view(reinterpret_cast<const char*>(data), size));
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
