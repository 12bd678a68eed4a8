#include "component/dwg/DwgR2007File.h"

#include <algorithm>

#include "component/ByteOrder.h"
#include "component/dwg/DwgCrc64.h"
#include "component/dwg/DwgFile.h"
#include "component/dwg/DwgR2007Pages.h"
#include "component/dwg/DwgReedSolomon.h"
#include "component/dwg/WrittenCheck.h"

namespace kel::dwg {
namespace {

constexpr std::size_t kMaxSectionSize = std::size_t{1} << 30;
// Sizes read from the file are believed only up to this multiple of the
// file's own size, so that a damaged map cannot make us allocate gigabytes.
constexpr std::size_t kMaxExpansion = 256;
constexpr std::size_t kSectionEntrySize = 0x40;
constexpr std::size_t kPageEntrySize = 0x38;

std::uint64_t Le64(std::string_view b, std::size_t at) { return ReadLittleEndian<std::uint64_t>(b, at); }

std::size_t SizeLimit(std::string_view bytes) { return std::min(kMaxSectionSize, bytes.size() * kMaxExpansion); }

// True when [address, address + size) lies inside the file.
bool Inside(std::string_view bytes, std::uint64_t address, std::uint64_t size) {
    return address <= bytes.size() && size <= bytes.size() - address;
}

// The file header's last field is a CRC over the whole header with the
// field itself zero.
bool FileHeaderCrcMatches(const std::string& header) {
    std::string zeroed = header;
    std::fill(zeroed.end() - 8, zeroed.end(), '\0');
    return Crc64Normal(Crc64Seed2(0, zeroed.size()), zeroed) == Le64(header, header.size() - 8);
}

}  // namespace

R2007FileHeader R2007FileHeader::From(std::string_view d) {
    R2007FileHeader h;
    std::uint64_t* fields[] = {&h.headerSize,
                               &h.fileSize,
                               &h.pagesMapCrcCompressed,
                               &h.pagesMapCorrection,
                               &h.pagesMapCrcSeed,
                               &h.pagesMap2Offset,
                               &h.pagesMap2Id,
                               &h.pagesMapOffset,
                               &h.pagesMapId,
                               &h.header2Offset,
                               &h.pagesMapSizeCompressed,
                               &h.pagesMapSizeUncompressed,
                               &h.pagesAmount,
                               &h.pagesMaxId,
                               nullptr,
                               nullptr,
                               &h.pagesMapCrcUncompressed,
                               nullptr,
                               nullptr,
                               nullptr,
                               &h.sectionsAmount,
                               &h.sectionsMapCrcUncompressed,
                               &h.sectionsMapSizeCompressed,
                               &h.sectionsMap2Id,
                               &h.sectionsMapId,
                               &h.sectionsMapSizeUncompressed,
                               &h.sectionsMapCrcCompressed,
                               &h.sectionsMapCorrection,
                               &h.sectionsMapCrcSeed,
                               &h.streamVersion,
                               &h.crcSeed,
                               &h.crcSeedEncoded,
                               &h.randomSeed,
                               &h.headerCrc};
    static_assert(sizeof fields / sizeof fields[0] * 8 == kR2007HeaderDataSize);
    for (std::size_t i = 0; i < sizeof fields / sizeof fields[0]; ++i) {
        if (fields[i] && d.size() >= 8 * i + 8) *fields[i] = Le64(d, 8 * i);
    }
    return h;
}

const R2007Section* R2007File::Find(const std::string& name) const {
    for (const R2007Section& s : sections) {
        if (s.name == name) return &s;
    }
    return nullptr;
}

bool R2007File::Parse(std::string_view bytes, std::string& why, const R2007KnownPages* known) {
    if (bytes.size() < kR2007PagesStart) {
        why = "file header is truncated";
        return false;
    }
    codePage = ReadLittleEndian<std::uint16_t>(bytes, 0x13);
    if (!ReadHeader(bytes, why)) return false;
    if (!ReadPageMap(bytes, why)) {
        why = "page map: " + why;
        return false;
    }
    if (!ReadSectionMap(bytes, why)) {
        why = "section map: " + why;
        return false;
    }
    for (R2007Section& s : sections) {
        if (!ReadSectionData(bytes, s, known, why)) {
            why = "section " + s.name + ": " + why;
            return false;
        }
    }
    return true;
}

bool R2007File::ReadHeader(std::string_view bytes, std::string& why) {
    // Three interleaved code words; the data they carry starts with two
    // 64-bit checks, the 64-bit CRC of the stored data and its size.
    std::string coded(bytes.substr(kR2007HeaderAt, 3 * kRsCodeWord));
    std::string plain;
    if (!RsDecodeInterleavedPage(ReedSolomon::SystemPages(), coded, 3, plain, headerCorrected)) {
        why = "file header cannot be corrected";
        return false;
    }
    const std::int32_t storedSize = ReadLittleEndian<std::int32_t>(plain, 0x18);
    const bool compressed = storedSize > 0;
    const std::size_t size = compressed ? static_cast<std::size_t>(storedSize)
                                        : static_cast<std::size_t>(-static_cast<std::int64_t>(storedSize));
    if (size == 0 || size > plain.size() - 0x20) {
        why = "file header size is invalid";
        return false;
    }
    std::string_view stored = std::string_view(plain).substr(0x20, size);
    if (Crc64Normal(Crc64Seed2(0, stored.size()), stored) != Le64(plain, 0x10)) {
        why = "file header CRC mismatch";
        return false;
    }
    if (compressed) {
        if (!DecompressPage(stored, kR2007HeaderDataSize, headerData) || headerData.size() != kR2007HeaderDataSize) {
            why = "file header does not decompress";
            return false;
        }
    } else if (size != kR2007HeaderDataSize) {
        why = "file header size is invalid";
        return false;
    } else {
        headerData.assign(stored);
    }
    if (!FileHeaderCrcMatches(headerData)) {
        why = "file header CRC mismatch";
        return false;
    }
    header = R2007FileHeader::From(headerData);
    return true;
}

// A system page holds its (compressed) data, padded to 8 bytes, `repeat`
// times over, coded as interleaved code words; the first copy is read.
bool R2007File::ReadSystemPage(std::string_view bytes, R2007SystemPage& page, std::string& why) const {
    const std::uint64_t aligned = (page.compressedSize + 7) & ~std::uint64_t{7};
    if (page.compressedSize == 0 || page.compressedSize > page.uncompressedSize ||
        page.uncompressedSize > SizeLimit(bytes) || page.repeat == 0 || page.repeat > bytes.size() ||
        aligned > bytes.size() || aligned * page.repeat > bytes.size()) {
        why = "system page sizes are invalid";
        return false;
    }
    const std::uint64_t blocks = (aligned * page.repeat + kRsSystemData - 1) / kRsSystemData;
    if (!Inside(bytes, page.address, blocks * kRsCodeWord)) {
        why = "system page lies outside the file";
        return false;
    }
    std::string plain;
    if (!RsDecodeInterleavedPage(ReedSolomon::SystemPages(), bytes.substr(page.address, blocks * kRsCodeWord),
                                 static_cast<std::size_t>(blocks), plain, page.corrected)) {
        why = "system page cannot be corrected";
        return false;
    }
    std::string_view stored = std::string_view(plain).substr(0, page.compressedSize);
    if (Crc64Mirrored(Crc64Seed1(header.crcSeed, stored.size()), stored) != page.crcCompressed) {
        why = "system page CRC mismatch";
        return false;
    }
    if (page.compressedSize < page.uncompressedSize) {
        if (!DecompressPage(stored, page.uncompressedSize, page.data) || page.data.size() != page.uncompressedSize) {
            why = "system page does not decompress";
            return false;
        }
    } else {
        page.data.assign(stored);
    }
    if (Crc64Mirrored(Crc64Seed1(header.crcSeed, page.data.size()), page.data) != page.crcUncompressed) {
        why = "system page CRC mismatch";
        return false;
    }
    return true;
}

bool R2007File::ReadPageMap(std::string_view bytes, std::string& why) {
    pageMapPage = R2007SystemPage{};
    pageMapPage.address = kR2007PagesStart + header.pagesMapOffset;
    if (pageMapPage.address < header.pagesMapOffset) {  // wrapped
        why = "system page lies outside the file";
        return false;
    }
    pageMapPage.compressedSize = header.pagesMapSizeCompressed;
    pageMapPage.uncompressedSize = header.pagesMapSizeUncompressed;
    pageMapPage.repeat = header.pagesMapCorrection;
    pageMapPage.crcCompressed = header.pagesMapCrcCompressed;
    pageMapPage.crcUncompressed = header.pagesMapCrcUncompressed;
    if (!ReadSystemPage(bytes, pageMapPage, why)) return false;
    pageMap.clear();
    const std::string& d = pageMapPage.data;
    std::uint64_t offset = 0;
    for (std::size_t at = 0; at + 16 <= d.size(); at += 16) {
        R2007PageEntry e;
        e.size = Le64(d, at);
        e.id = static_cast<std::int64_t>(Le64(d, at + 8));
        e.offset = offset;
        if (e.size > bytes.size() || offset > bytes.size()) {
            why = "page " + std::to_string(e.id) + " lies outside the file";
            return false;
        }
        offset += e.size;
        pageMap.push_back(e);
    }
    return true;
}

bool R2007File::AddressOf(std::int64_t id, std::uint64_t& address, std::uint64_t& size) const {
    if (id <= 0) return false;
    for (const R2007PageEntry& e : pageMap) {
        if (e.id == id) {
            address = kR2007PagesStart + e.offset;
            size = e.size;
            return true;
        }
    }
    return false;
}

bool R2007File::ReadSectionMap(std::string_view bytes, std::string& why) {
    sectionMapPage = R2007SystemPage{};
    std::uint64_t size = 0;
    if (header.sectionsMapId > static_cast<std::uint64_t>(INT64_MAX) ||
        !AddressOf(static_cast<std::int64_t>(header.sectionsMapId), sectionMapPage.address, size)) {
        why = "page missing";
        return false;
    }
    sectionMapPage.compressedSize = header.sectionsMapSizeCompressed;
    sectionMapPage.uncompressedSize = header.sectionsMapSizeUncompressed;
    sectionMapPage.repeat = header.sectionsMapCorrection;
    sectionMapPage.crcCompressed = header.sectionsMapCrcCompressed;
    sectionMapPage.crcUncompressed = header.sectionsMapCrcUncompressed;
    if (!ReadSystemPage(bytes, sectionMapPage, why)) return false;
    sections.clear();
    const std::string& d = sectionMapPage.data;
    std::size_t at = 0;
    while (d.size() - at >= kSectionEntrySize) {
        R2007Section s;
        s.dataSize = Le64(d, at);
        s.maxSize = Le64(d, at + 0x08);
        s.encryption = Le64(d, at + 0x10);
        s.hashCode = Le64(d, at + 0x18);
        const std::uint64_t nameLength = Le64(d, at + 0x20);
        s.unknown = Le64(d, at + 0x28);
        s.encoding = Le64(d, at + 0x30);
        const std::uint64_t pageCount = Le64(d, at + 0x38);
        at += kSectionEntrySize;
        // The name's length is in bytes, its terminating NUL character included.
        if (nameLength > 512 || nameLength % 2 != 0 || nameLength > d.size() - at) {
            why = "section name is truncated";
            return false;
        }
        for (std::uint64_t i = 0; i + 1 < nameLength; i += 2) {
            std::uint16_t c = ReadLittleEndian<std::uint16_t>(d, at + i);
            if (c == 0) break;
            s.name += c < 0x80 ? static_cast<char>(c) : '?';
        }
        const std::uint64_t nameBytes = nameLength;
        at += nameBytes;
        if (pageCount > (d.size() - at) / kPageEntrySize || s.dataSize > SizeLimit(bytes) ||
            s.maxSize > SizeLimit(bytes)) {
            why = "section " + s.name + " is described beyond the section map";
            return false;
        }
        for (std::uint64_t p = 0; p < pageCount; ++p) {
            R2007SectionPage page;
            page.dataOffset = Le64(d, at);
            page.pageSize = Le64(d, at + 0x08);
            page.id = static_cast<std::int64_t>(Le64(d, at + 0x10));
            page.uncompressedSize = Le64(d, at + 0x18);
            page.compressedSize = Le64(d, at + 0x20);
            page.checksum = Le64(d, at + 0x28);
            page.crc = Le64(d, at + 0x30);
            at += kPageEntrySize;
            s.pages.push_back(page);
        }
        s.readable = s.encryption != 1;
        sections.push_back(std::move(s));
    }
    return true;
}

namespace {

// The earlier file's decompressed bytes of page `index` of section `s` when
// that page was stored exactly as `p` is now, in `stored`.
bool KnownPage(const R2007KnownPages& known, const R2007Section& s, std::size_t index, const R2007SectionPage& p,
               std::string_view stored, std::string_view& out) {
    const R2007Section* earlier = known.file->Find(s.name);
    auto data = known.data.find(s.name);
    if (!earlier || data == known.data.end() || index >= earlier->pages.size() || earlier->encoding != s.encoding) {
        return false;
    }
    const R2007SectionPage& e = earlier->pages[index];
    if (e.corrected != 0 || e.dataOffset != p.dataOffset || e.uncompressedSize != p.uncompressedSize ||
        e.compressedSize != p.compressedSize || e.crc != p.crc || e.checksum != p.checksum ||
        e.address > known.bytes.size() || known.bytes.size() - e.address < stored.size() ||
        known.bytes.substr(e.address, stored.size()) != stored || p.dataOffset > data->second.size() ||
        data->second.size() - p.dataOffset < p.uncompressedSize) {
        return false;
    }
    out = data->second.substr(static_cast<std::size_t>(p.dataOffset), static_cast<std::size_t>(p.uncompressedSize));
    return true;
}

}  // namespace

bool R2007File::ReadSectionData(std::string_view bytes, R2007Section& s, const R2007KnownPages* known,
                                std::string& why) const {
    const std::string_view* written = known ? WrittenCheck::For(known->written, s.name) : nullptr;
    auto notWritten = [&] { return "section " + s.name + " does not hold the data written"; };
    if (written && (!s.readable || s.dataSize != written->size())) {
        why = notWritten();
        return false;
    }
    if (!s.readable) return true;
    if (!written) {
        s.data.reserve(SectionRoom(s.name, static_cast<std::size_t>(s.dataSize)));
        s.data.assign(static_cast<std::size_t>(s.dataSize), '\0');  // pages of zeroes are not written
    }
    WrittenCheck check(written);
    const bool interleaved = s.encoding == 4;
    if (!interleaved && s.encoding != 1) {
        why = "unknown page encoding " + std::to_string(s.encoding);
        return false;
    }
    for (R2007SectionPage& p : s.pages) {
        const std::string pageName = "page " + std::to_string(p.id);
        std::uint64_t size = 0;
        if (!AddressOf(p.id, p.address, size)) {
            why = pageName + " is not in the page map";
            return false;
        }
        if (p.compressedSize == 0 || p.compressedSize > p.uncompressedSize ||
            p.dataOffset > s.dataSize || p.uncompressedSize > s.dataSize - p.dataOffset ||
            p.compressedSize > bytes.size()) {
            why = pageName + " sizes are invalid";
            return false;
        }
        // Interleaved pages code the stored data padded to 8 bytes; the
        // others store the section's whole page size of data first.
        std::string plain;
        bool decoded = false;
        if (interleaved) {
            const std::uint64_t aligned = (p.compressedSize + 7) & ~std::uint64_t{7};
            const std::uint64_t blocks = (aligned + kRsPageData - 1) / kRsPageData;
            if (blocks * kRsCodeWord > size || !Inside(bytes, p.address, blocks * kRsCodeWord)) {
                why = pageName + " lies outside the file";
                return false;
            }
            const std::string_view coded = bytes.substr(p.address, blocks * kRsCodeWord);
            std::string_view same;
            if (known && known->file && KnownPage(*known, s, static_cast<std::size_t>(&p - s.pages.data()), p, coded, same)) {
                if (!check.Put(s.data, static_cast<std::size_t>(p.dataOffset), same)) {
                    why = notWritten();
                    return false;
                }
                continue;
            }
            decoded = RsDecodeInterleavedPage(ReedSolomon::DataPages(), coded, static_cast<std::size_t>(blocks), plain,
                                              p.corrected);
        } else {
            // The parity behind these pages does not form code words with
            // their data that this reader can confirm: their bytes are taken
            // as stored, and the checksum below is their check.
            if (p.pageSize < p.compressedSize || p.pageSize > size || !Inside(bytes, p.address, p.pageSize)) {
                why = pageName + " lies outside the file";
                return false;
            }
            plain.assign(bytes.substr(p.address, p.pageSize));
            decoded = true;
        }
        if (!decoded) {
            why = pageName + " cannot be corrected";
            return false;
        }
        std::string_view stored = std::string_view(plain).substr(0, p.compressedSize);
        if (Crc64Mirrored(Crc64Seed1(header.crcSeed, stored.size()), stored) != p.crc) {
            why = pageName + " CRC mismatch";
            return false;
        }
        std::string page;
        if (p.compressedSize < p.uncompressedSize) {
            if (!DecompressPage(stored, p.uncompressedSize, page) || page.size() != p.uncompressedSize) {
                why = pageName + " does not decompress";
                return false;
            }
        } else {
            page.assign(stored);
        }
        if (PageChecksum2007(0, page) != static_cast<std::uint32_t>(p.checksum)) {
            why = pageName + " checksum mismatch";
            return false;
        }
        if (!check.Put(s.data, static_cast<std::size_t>(p.dataOffset), page)) {
            why = notWritten();
            return false;
        }
    }
    if (written && !check.RestIsZero()) {
        why = notWritten();
        return false;
    }
    return true;
}

}  // namespace kel::dwg
