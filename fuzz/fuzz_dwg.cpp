// DWG reader and writer: any bytes must either be refused with a status or
// open and describe, with the same attribute rows straight from the
// description as through the XML; edits are then written (or refused) and
// what is written must read back. The checksums of the file header and of
// the framed sections (up to R2000), or of the file header and every page
// (R2004, R2010 to R2018), are recomputed first, so mutations reach the section decoders and
// the decompressor instead of stopping at a CRC.
#include <cstdint>
#include <cstring>
#include <string>

#include "component/DrawingInfoXml.h"
#include "component/dwg/DwgCrc.h"
#include "component/dwg/DwgDecompress.h"
#include "component/dwg/DwgDocument.h"
#include "component/dwg/DwgR2004File.h"
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

void PutLe32(std::string& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<char>(v >> (8 * i));
}

void PutLe32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// A system page's checksum; its decompressed data when `out` is given.
bool FixSystemPage(std::string& b, std::size_t at, std::string* out) {
    using namespace kel::dwg;
    if (at > b.size() || b.size() - at < kR2004SystemHeaderSize) return false;
    std::uint8_t h[kR2004SystemHeaderSize];
    std::memcpy(h, b.data() + at, sizeof h);
    const std::uint32_t size = Le32(h + 8);
    if (size > b.size() - at - sizeof h) return false;
    const std::string_view data(b.data() + at + sizeof h, size);
    PutLe32(b, at + 0x10, R2004SystemPageChecksum(h, data));
    return !out || Decompress2004(data, std::min<std::size_t>(Le32(h + 4), 1u << 20), *out);
}

// R2004 files: the header CRC, the page map's checksum, then through the
// page map every page's checksums (a page that claims to be a data page gets
// both of its own).
void FixPagedChecksums(std::string& b) {
    using namespace kel::dwg;
    if (b.size() < kR2004PagesStart) return;
    std::uint8_t mask[kR2004HeaderSize], h[kR2004HeaderSize];
    R2004HeaderMask(mask);
    for (std::size_t i = 0; i < kR2004HeaderSize; ++i) h[i] = static_cast<std::uint8_t>(b[kR2004HeaderAt + i]) ^ mask[i];
    PutLe32(h + 0x68, 0);
    PutLe32(h + 0x68, kel::dwg::Crc32(0, h, sizeof h));
    for (std::size_t i = 0; i < kR2004HeaderSize; ++i) b[kR2004HeaderAt + i] = static_cast<char>(h[i] ^ mask[i]);
    std::uint64_t address = Le32(h + 0x54) + kR2004PagesStart;
    std::string map;
    if (!FixSystemPage(b, static_cast<std::size_t>(address), &map)) return;
    address = kR2004PagesStart;
    for (std::size_t at = 0; at + 8 <= map.size() && address < b.size();) {
        const auto* e = reinterpret_cast<const std::uint8_t*>(map.data() + at);
        const std::int32_t number = static_cast<std::int32_t>(Le32(e));
        const std::size_t page = static_cast<std::size_t>(address);
        address += Le32(e + 4);
        at += number < 0 ? 24 : 8;
        if (number < 0 || b.size() - page < kR2004DataHeaderSize) continue;
        std::uint8_t d[kR2004DataHeaderSize];
        std::memcpy(d, b.data() + page, sizeof d);
        R2004MaskDataHeader(d, page);
        if (Le32(d) != kR2004DataPageType) {
            if (Le32(reinterpret_cast<const std::uint8_t*>(b.data() + page)) == kR2004SectionMapType) {
                FixSystemPage(b, page, nullptr);
            }
            continue;
        }
        const std::uint32_t size = Le32(d + 8);
        if (size > b.size() - page - sizeof d) continue;
        PutLe32(d + 0x1C, R2004DataChecksum(std::string_view(b.data() + page + sizeof d, size)));
        PutLe32(d + 0x18, R2004DataHeaderChecksum(d));
        R2004MaskDataHeader(d, page);
        b.replace(page, sizeof d, reinterpret_cast<const char*>(d), sizeof d);
    }
}

void FixChecksums(std::string& b) {
    const std::string id = b.substr(0, 6);
    if (id == "AC1018" || id == "AC1024" || id == "AC1027" || id == "AC1032") {
        FixPagedChecksums(b);
        return;
    }
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
    auto doc = kel::dwg::DwgDocument::Open(std::move(bytes), "fuzz.dwg", status);
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
    // Serialize reads what it writes back and refuses it when that fails: a
    // written file that does not read is a fault here.
    std::string out;
    if (doc->Serialize(out, status)) {
        std::string again;
        auto back = kel::dwg::DwgDocument::Open(out, "fuzz.dwg", again);
        if (!back) __builtin_trap();
    }
    return 0;
}
