// DWG reader: any bytes must either be refused with a status or open and describe,
// with the same attribute rows straight from the description as through the XML.
// The checksums of the file header and of the framed sections are recomputed
// first, so mutations reach the section decoders instead of stopping at a CRC.
#include <cstdint>
#include <cstring>
#include <string>

#include "component/DrawingInfoXml.h"
#include "component/dwg/DwgCrc.h"
#include "component/dwg/DwgDocument.h"
#include "fuzz/RowsCheck.h"

namespace {

std::uint32_t Le32(const std::string& b, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<std::uint8_t>(b[at + i]);
    return v;
}

void PutLe16(std::string& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>(v >> 8);
}

void FixChecksums(std::string& b) {
    constexpr std::size_t kTable = 0x15, kRecord = 9;
    if (b.size() < kTable + 4) return;
    const std::uint32_t count = Le32(b, kTable);
    std::uint16_t crcXor = 0;
    if (!kel::dwg::FileHeaderCrcXor(static_cast<std::int32_t>(count), crcXor)) return;
    const std::size_t crcAt = kTable + 4 + count * kRecord;
    if (b.size() < crcAt + 2) return;
    // Framed sections first (header variables and classes), then the file header,
    // whose CRC covers the locator records only.
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t rec = kTable + 4 + i * kRecord;
        if (static_cast<std::uint8_t>(b[rec]) > 1) continue;
        const std::size_t at = static_cast<std::size_t>(Le32(b, rec + 1)) + 16;
        if (at > b.size() || b.size() - at < 4) continue;
        const std::uint32_t size = Le32(b, at);
        if (size > b.size() || b.size() - at - 4 < static_cast<std::size_t>(size) + 2) continue;
        PutLe16(b, at + 4 + size, kel::dwg::Crc16(kel::dwg::kCrcSeed, b.data() + at, 4 + size));
    }
    PutLe16(b, crcAt, kel::dwg::Crc16(0, b.data(), crcAt) ^ crcXor);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    FixChecksums(bytes);
    std::string status;
    auto doc = kel::OpenDwgDocument(std::move(bytes), "fuzz.dwg", status);
    if (!doc) return 0;
    const kel::DrawingInfo info = doc->Describe();
    kel::fuzz::CheckRows(info);
    for (const auto& block : info.blocks) {
        for (const auto& insert : block.inserts) {
            for (const auto& a : insert.attributes) {
                doc->SetAttributeValue(a.handle, "fuzz");
                doc->DeleteEntity(a.handle);
            }
        }
    }
    return 0;
}
