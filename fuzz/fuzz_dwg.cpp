// DWG reader and writer: any bytes must either be refused with a status or
// open and describe, with the same attribute rows straight from the
// description as through the XML and as listed; edits are then written (or
// refused), what is written must read back, a save must write the same and
// leave the drawing as the written file opens. The checksums of the file header and of
// the framed sections (up to R2000), or of the file header and every page
// (R2004, R2010 to R2018), or of the file header and the maps (R2007, whose
// code words are recoded too), are recomputed first, so mutations reach the
// section decoders and the decompressor instead of stopping at a CRC.
#include <cstdint>
#include <cstring>
#include <string>

#include "component/DrawingInfoXml.h"
#include "component/dwg/DwgCrc.h"
#include "component/dwg/DwgDecompress.h"
#include "component/dwg/DwgDocument.h"
#include "component/dwg/Dwg2007Decompress.h"
#include "component/dwg/DwgCrc64.h"
#include "component/dwg/DwgR2004File.h"
#include "component/dwg/DwgR2007File.h"
#include "component/dwg/DwgReedSolomon.h"
#include "fuzz/RowsCheck.h"
#include "platform/FileSystem.h"

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

std::uint64_t Le64(const std::string& b, std::size_t at) {
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = v << 8 | static_cast<std::uint8_t>(b[at + static_cast<std::size_t>(i)]);
    return v;
}

void PutLe64(std::string& b, std::size_t at, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<char>(v >> (8 * i));
}

// The data bytes of interleaved code words as they are (uncorrected), and
// their parity made to match them again.
std::string WordData(const std::string& b, std::size_t at, std::size_t blocks, const kel::dwg::ReedSolomon& code) {
    std::string data(blocks * code.DataSize(), '\0');
    for (std::size_t i = 0; i < blocks; ++i) {
        for (std::size_t j = 0; j < code.DataSize(); ++j) data[i * code.DataSize() + j] = b[at + j * blocks + i];
    }
    return data;
}

void Recode(std::string& b, std::size_t at, const std::string& data, std::size_t blocks,
            const kel::dwg::ReedSolomon& code) {
    const std::string coded = kel::dwg::RsEncodeInterleaved(code, data, blocks);
    b.replace(at, coded.size(), coded);
}

// A system page of the R2007 file: its parity recoded and its two CRCs
// (fields of the header) recomputed. The decompressed data, or "".
std::string FixR2007SystemPage(std::string& b, std::string& header, std::uint64_t address, std::size_t sizeField,
                               std::size_t correctionField, std::size_t crcField, std::size_t plainCrcField) {
    using namespace kel::dwg;
    const ReedSolomon& code = ReedSolomon::SystemPages();
    const std::uint64_t compressed = Le64(header, sizeField), size = Le64(header, sizeField + 8);
    const std::uint64_t repeat = Le64(header, correctionField);
    if (compressed == 0 || compressed > size || size > (1u << 20) || repeat == 0 || repeat > 64) return "";
    const std::size_t blocks = static_cast<std::size_t>((((compressed + 7) & ~7ull) * repeat + 238) / 239);
    if (address > b.size() || blocks * 255 > b.size() - address) return "";
    const std::string data = WordData(b, static_cast<std::size_t>(address), blocks, code);
    Recode(b, static_cast<std::size_t>(address), data, blocks, code);
    const std::string stored = data.substr(0, static_cast<std::size_t>(compressed));
    std::string plain = stored, error;
    if (compressed < size && !Decompress2007(stored, static_cast<std::size_t>(size), plain, error)) return "";
    PutLe64(header, crcField, Crc64Mirrored(Crc64Seed1(Le64(header, 0xF0), stored.size()), stored));
    PutLe64(header, plainCrcField, Crc64Mirrored(Crc64Seed1(Le64(header, 0xF0), plain.size()), plain));
    return plain;
}

// R2007 files: the file header's code words, its CRCs and those of the page
// map and section map are made to match their (mutated) contents, so that
// mutations reach the map parsers instead of the Reed-Solomon correction.
void FixR2007(std::string& b) {
    using namespace kel::dwg;
    if (b.size() < kR2007PagesStart) return;
    const ReedSolomon& code = ReedSolomon::SystemPages();
    std::string plain = WordData(b, kR2007HeaderAt, 3, code);
    const std::int32_t stored = static_cast<std::int32_t>(Le32(plain, 0x18));
    const std::size_t length = stored < 0 ? static_cast<std::size_t>(-static_cast<std::int64_t>(stored))
                                          : static_cast<std::size_t>(stored);
    if (length == 0 || length > plain.size() - 0x20) return;
    std::string header = plain.substr(0x20, length), error;
    if (stored > 0 && !Decompress2007(plain.substr(0x20, length), kR2007HeaderDataSize, header, error)) return;
    if (header.size() != kR2007HeaderDataSize) return;
    const std::string pageMap = FixR2007SystemPage(b, header, kR2007PagesStart + Le64(header, 0x38), 0x50, 0x18, 0x10,
                                                   0x80);
    std::uint64_t offset = 0;
    for (std::size_t at = 0; at + 16 <= pageMap.size(); at += 16) {
        if (Le64(pageMap, at + 8) == Le64(header, 0xC0)) {
            FixR2007SystemPage(b, header, kR2007PagesStart + offset, 0xB0, 0xD8, 0xD0, 0xA8);
            break;
        }
        offset += Le64(pageMap, at);
    }
    PutLe64(header, 0x108, 0);
    PutLe64(header, 0x108, Crc64Normal(Crc64Seed2(0, header.size()), header));
    plain.replace(0x20, header.size(), header);
    PutLe32(plain, 0x18, static_cast<std::uint32_t>(-static_cast<std::int32_t>(header.size())));
    PutLe64(plain, 0x10, Crc64Normal(Crc64Seed2(0, header.size()), header));
    Recode(b, kR2007HeaderAt, plain, 3, code);
}

void FixChecksums(std::string& b) {
    const std::string id = b.substr(0, 6);
    if (id == "AC1021") {
        FixR2007(b);
        return;
    }
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
    kel::fuzz::CheckListing(*doc, info);
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
    if (!doc->Serialize(out, status)) return 0;
    std::string again;
    auto back = kel::dwg::DwgDocument::Open(out, "fuzz.dwg", again);
    if (!back) __builtin_trap();
    // Saving writes the same file (the paged versions lend the drawing's
    // objects to the writer instead of copying them), and the drawing goes on
    // as that file opens.
    const std::string path = kel::fuzz::Scratch().Path("saved.dwg");
    if (doc->Save(path, -1) != "1000:Ok") return 0;
    std::string saved, error;
    if (!kel::ReadWholeFile(path, saved, error) || saved != out) __builtin_trap();
    const kel::DrawingInfo after = doc->Describe();
    if (kel::DrawingInfoToXml(after, true) != kel::DrawingInfoToXml(back->Describe(), true)) __builtin_trap();
    kel::fuzz::CheckListing(*doc, after);
    return 0;
}
