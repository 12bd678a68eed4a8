#include "component/dwg/DwgR2004File.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "component/ByteOrder.h"
#include "component/dwg/DwgCrc.h"
#include "component/dwg/DwgDecompress.h"
#include "component/dwg/DwgFile.h"
#include "component/dwg/TwoThreads.h"
#include "component/dwg/WrittenCheck.h"

namespace kel::dwg {
namespace {

constexpr std::size_t kHeaderAt = kR2004HeaderAt;
constexpr std::size_t kHeaderSize = kR2004HeaderSize;
constexpr std::uint64_t kPagesStart = kR2004PagesStart;
constexpr std::uint32_t kPageMapType = kR2004PageMapType;
constexpr std::uint32_t kSectionMapType = kR2004SectionMapType;
constexpr std::uint32_t kDataPageType = kR2004DataPageType;
constexpr std::size_t kSystemHeaderSize = kR2004SystemHeaderSize;
constexpr std::size_t kDataHeaderSize = kR2004DataHeaderSize;
constexpr std::size_t kMaxSectionSize = std::size_t{1} << 30;
constexpr std::uint32_t kMaxPageSize = 8u << 20;  // pages are normally 0x7400 bytes
// A section of this many bytes or more is decompressed on two threads.
constexpr std::size_t kDecompressHelpFrom = 2u << 20;
// Sizes read from the file are believed only up to this multiple of the
// file's own size, so that a damaged map cannot make us allocate gigabytes.
constexpr std::size_t kMaxExpansion = 256;

std::size_t SizeLimit(std::string_view bytes) {
    return std::min(kMaxSectionSize, bytes.size() * kMaxExpansion);
}

}  // namespace

void R2004HeaderMask(std::uint8_t (&mask)[0x6C]) {
    std::uint32_t seed = 1;
    for (std::uint8_t& m : mask) {
        seed = seed * 0x343FD + 0x269EC3;
        m = static_cast<std::uint8_t>(seed >> 16);
    }
}

std::uint32_t R2004SystemPageChecksum(const std::uint8_t (&header)[kR2004SystemHeaderSize], std::string_view data) {
    std::uint8_t h[kSystemHeaderSize];
    std::memcpy(h, header, sizeof h);
    PutLittleEndian(h + 0x10, 0, 4);
    return PageChecksum(PageChecksum(0, h, sizeof h), data.data(), data.size());
}

std::uint32_t R2004DataChecksum(std::string_view data) { return PageChecksum(0, data.data(), data.size()); }

std::uint32_t R2004DataHeaderChecksum(const std::uint8_t (&header)[kR2004DataHeaderSize]) {
    std::uint8_t h[kDataHeaderSize];
    std::memcpy(h, header, sizeof h);
    PutLittleEndian(h + 0x14, 0, 4);
    PutLittleEndian(h + 0x18, 0, 4);
    return PageChecksum(ReadLittleEndian<std::uint32_t>(header + 0x1C), h, sizeof h);
}

void R2004MaskDataHeader(std::uint8_t (&header)[kR2004DataHeaderSize], std::uint64_t address) {
    const std::uint32_t mask = 0x4164536B ^ static_cast<std::uint32_t>(address);
    for (int k = 0; k < 8; ++k) PutLittleEndian(header + 4 * k, ReadLittleEndian<std::uint32_t>(header + 4 * k) ^ mask, 4);
}

const R2004Section* R2004File::Find(const std::string& name) const {
    for (const R2004Section& s : sections) {
        if (s.name == name) return &s;
    }
    return nullptr;
}

bool R2004File::ReadSystemPage(std::string_view bytes, std::uint64_t address, std::uint32_t type, std::string& out,
                               std::string& why) const {
    if (address > bytes.size() || bytes.size() - address < kSystemHeaderSize) {
        why = "system page lies outside the file";
        return false;
    }
    std::uint8_t header[kSystemHeaderSize];
    std::memcpy(header, bytes.data() + address, kSystemHeaderSize);
    std::uint32_t size = ReadLittleEndian<std::uint32_t>(header + 4);
    std::uint32_t compressedSize = ReadLittleEndian<std::uint32_t>(header + 8);
    std::uint32_t stored = ReadLittleEndian<std::uint32_t>(header + 0x10);
    if (ReadLittleEndian<std::uint32_t>(header) != type || ReadLittleEndian<std::uint32_t>(header + 0x0C) != 2 || size > SizeLimit(bytes) ||
        compressedSize > bytes.size() - address - kSystemHeaderSize) {
        why = "system page header is invalid";
        return false;
    }
    std::string_view data = bytes.substr(address + kSystemHeaderSize, compressedSize);
    if (R2004SystemPageChecksum(header, data) != stored) {
        why = "system page checksum mismatch";
        return false;
    }
    if (!Decompress2004(data, size, out) || out.size() != size) {
        why = "system page does not decompress";
        return false;
    }
    return true;
}

bool R2004File::AddressOf(std::int32_t number, std::uint64_t& address) const {
    const auto it = std::lower_bound(pages_.begin(), pages_.end(), number,
                                     [](const auto& page, std::int32_t n) { return page.first < n; });
    if (it == pages_.end() || it->first != number) return false;
    address = it->second;
    return true;
}

bool R2004File::StoredPage(std::string_view bytes, std::int32_t number, std::string_view& stored) const {
    std::uint64_t address = 0;
    if (!AddressOf(number, address) || address > bytes.size() || bytes.size() - address < kDataHeaderSize) return false;
    std::uint8_t header[kDataHeaderSize];
    std::memcpy(header, bytes.data() + address, kDataHeaderSize);
    R2004MaskDataHeader(header, address);
    const std::uint32_t compressedSize = ReadLittleEndian<std::uint32_t>(header + 8);
    if (ReadLittleEndian<std::uint32_t>(header) != kDataPageType ||
        compressedSize > bytes.size() - address - kDataHeaderSize) {
        return false;
    }
    stored = bytes.substr(address + kDataHeaderSize, compressedSize);
    return true;
}

namespace {

// A page of a section left to be checked and decompressed in place at `start`.
struct PageJob {
    std::string_view data;  // as stored
    std::uint32_t checksum = 0;
    std::size_t start = 0;
    bool checksumOk = false, decompressed = false;
};

// The decompressed bytes [start, start + length) of page `index` of section
// `s`, when the earlier file had the same stored bytes at that place.
bool KnownPage(const R2004KnownPages& known, const R2004Section& s, std::size_t index, std::string_view stored,
               std::uint64_t start, std::size_t length, std::string_view& out) {
    const R2004Section* earlier = known.file->Find(s.name);
    auto data = known.data.find(s.name);
    if (!earlier || data == known.data.end() || index >= earlier->pages.size() ||
        earlier->pages[index].start != start || earlier->compressed != s.compressed ||
        earlier->maxPageSize != s.maxPageSize || start > data->second.size() ||
        data->second.size() - start < length) {
        return false;
    }
    std::string_view earlierStored;
    if (!known.file->StoredPage(known.bytes, earlier->pages[index].number, earlierStored) ||
        earlierStored != stored) {
        return false;
    }
    out = data->second.substr(static_cast<std::size_t>(start), length);
    return true;
}

}  // namespace

bool R2004File::Parse(std::string_view bytes, std::string& why, const R2004KnownPages* known) {
    if (bytes.size() < kPagesStart) {
        why = "file header is truncated";
        return false;
    }
    codePage = ReadLittleEndian<std::uint16_t>(bytes, 0x13);
    std::uint8_t h[kHeaderSize];
    std::uint8_t mask[kHeaderSize];
    R2004HeaderMask(mask);
    for (std::size_t i = 0; i < kHeaderSize; ++i) h[i] = static_cast<std::uint8_t>(bytes[kHeaderAt + i]) ^ mask[i];
    if (std::memcmp(h, "AcFssFcAJMB", 12) != 0) {
        why = "file header identification missing";
        return false;
    }
    headerData.assign(reinterpret_cast<const char*>(h), kHeaderSize);
    std::uint32_t storedCrc = ReadLittleEndian<std::uint32_t>(h + 0x68);
    PutLittleEndian(h + 0x68, 0, 4);
    if (Crc32(0, h, kHeaderSize) != storedCrc) {
        why = "file header CRC mismatch";
        return false;
    }
    const std::uint64_t pageMapAddress = ReadLittleEndian<std::uint64_t>(h + 0x54) + kPagesStart;
    const std::int32_t sectionMapId = static_cast<std::int32_t>(ReadLittleEndian<std::uint32_t>(h + 0x5C));

    std::string pageMapData;
    if (!ReadSystemPage(bytes, pageMapAddress, kPageMapType, pageMapData, why)) {
        why = "page map: " + why;
        return false;
    }
    pages_.clear();
    pageMap.clear();
    std::uint64_t address = kPagesStart;
    for (std::size_t at = 0; at + 8 <= pageMapData.size();) {
        std::int32_t number = static_cast<std::int32_t>(ReadLittleEndian<std::uint32_t>(pageMapData.data() + at));
        std::uint32_t size = ReadLittleEndian<std::uint32_t>(pageMapData.data() + at + 4);
        at += 8;
        pageMap.push_back({number, size, address});
        if (number < 0) {
            at += 16;  // a gap: parent, left, right, 0
        } else {
            pages_.emplace_back(number, address);
        }
        address += size;
    }
    std::stable_sort(pages_.begin(), pages_.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::uint64_t sectionMapAddress = 0;
    std::string sectionMap;
    if (!AddressOf(sectionMapId, sectionMapAddress) ||
        !ReadSystemPage(bytes, sectionMapAddress, kSectionMapType, sectionMap, why)) {
        why = "section map: " + (why.empty() ? std::string("page missing") : why);
        return false;
    }
    if (sectionMap.size() < 0x14) {
        why = "section map is truncated";
        return false;
    }
    sectionMapHead = sectionMap.substr(0, 0x14);
    std::uint32_t count = ReadLittleEndian<std::uint32_t>(sectionMap.data());
    std::size_t at = 0x14;
    sections.clear();
    for (std::uint32_t i = 0; i < count; ++i) {
        R2004Section s;
        if (!ReadSection(bytes, sectionMap, at, s, known, why)) return false;
        sections.push_back(std::move(s));
    }
    return true;
}

bool R2004File::ReadSection(std::string_view bytes, std::string_view map, std::size_t& at, R2004Section& s,
                            const R2004KnownPages* known, std::string& why) const {
    constexpr std::size_t kDescriptionSize = 0x60;
    if (map.size() - at < kDescriptionSize) {
        why = "section map is truncated";
        return false;
    }
    const char* d = map.data() + at;
    s.size = ReadLittleEndian<std::uint64_t>(d);
    std::uint32_t pageCount = ReadLittleEndian<std::uint32_t>(d + 8);
    std::uint32_t maxPage = ReadLittleEndian<std::uint32_t>(d + 0x0C);
    s.compressed = static_cast<std::int32_t>(ReadLittleEndian<std::uint32_t>(d + 0x14));
    s.id = static_cast<std::int32_t>(ReadLittleEndian<std::uint32_t>(d + 0x18));
    s.encrypted = static_cast<std::int32_t>(ReadLittleEndian<std::uint32_t>(d + 0x1C));
    s.name = std::string(d + 0x20, strnlen(d + 0x20, 64));
    s.maxPageSize = maxPage;
    s.description.assign(d, kDescriptionSize);
    at += kDescriptionSize;
    if (pageCount > (map.size() - at) / 16 || s.size > SizeLimit(bytes) || maxPage > kMaxPageSize) {
        why = "section " + s.name + " is described beyond the section map";
        return false;
    }
    s.readable = s.encrypted != 1;
    const std::string_view* written = known ? WrittenCheck::For(known->written, s.name) : nullptr;
    if (written && (!s.readable || s.size != written->size())) {
        why = "section " + s.name + " does not hold the data written";
        return false;
    }
    if (s.readable && !written) {
        s.data.reserve(SectionRoom(s.name, static_cast<std::size_t>(s.size)));
        s.data.assign(static_cast<std::size_t>(s.size), '\0');  // pages never written are zero
    }
    WrittenCheck check(written);
    auto notWritten = [&] { return "section " + s.name + ": page does not hold the data written"; };

    // Pages that decompress in place and are not taken from an earlier file
    // are checked and decompressed once the map is read, on two threads for
    // a large section, when no page reaches into the next one's bytes (as
    // writers lay them out): then the order in which they land does not
    // matter. Under a map that says otherwise each is done in turn. Either
    // way the first page in map order that fails gives the reason.
    bool apart = s.compressed == 2;
    for (std::uint32_t p = 1; apart && p < pageCount; ++p) {
        const std::uint64_t before = ReadLittleEndian<std::uint64_t>(map.data() + at + 16 * (p - 1) + 8);
        const std::uint64_t start = ReadLittleEndian<std::uint64_t>(map.data() + at + 16 * p + 8);
        apart = start > before && start - before >= maxPage;
    }
    std::vector<PageJob> jobs;
    auto runJobs = [&]() {
        ForEachOnTwoThreads(jobs.size(), apart && s.size >= kDecompressHelpFrom, [&](std::size_t k) {
            PageJob& job = jobs[k];
            job.checksumOk = R2004DataChecksum(job.data) == job.checksum;
            job.decompressed =
                job.checksumOk && Decompress2004(job.data, s.data.data() + job.start, maxPage) != kDecompressFailed;
            return job.decompressed;
        });
        for (const PageJob& job : jobs) {
            if (!job.decompressed) {
                why = "section " + s.name + (job.checksumOk ? ": page does not decompress" : ": page checksum mismatch");
                return false;
            }
        }
        jobs.clear();
        return true;
    };
    // The reason of a page that fails now, unless a page before it failed.
    auto fail = [&](std::string reason) {
        if (runJobs()) why = std::move(reason);
        return false;
    };

    std::string scratch;
    for (std::uint32_t p = 0; p < pageCount; ++p) {
        const char* e = map.data() + at;
        at += 16;
        std::int32_t number = static_cast<std::int32_t>(ReadLittleEndian<std::uint32_t>(e));
        std::uint32_t dataSize = ReadLittleEndian<std::uint32_t>(e + 4);
        std::uint64_t start = ReadLittleEndian<std::uint64_t>(e + 8);
        s.pages.push_back({number, dataSize, start});
        if (!s.readable) continue;
        std::uint64_t address = 0;
        const bool found = AddressOf(number, address);
        if (!found || address > bytes.size() || bytes.size() - address < kDataHeaderSize ||
            dataSize > bytes.size() - address - kDataHeaderSize) {
            return fail("section " + s.name + ": page " + std::to_string(number) + " lies outside the file");
        }
        std::uint8_t header[kDataHeaderSize];
        std::memcpy(header, bytes.data() + address, kDataHeaderSize);
        R2004MaskDataHeader(header, address);
        std::uint32_t compressedSize = ReadLittleEndian<std::uint32_t>(header + 8);
        if (ReadLittleEndian<std::uint32_t>(header) != kDataPageType || compressedSize > dataSize || start > s.size) {
            return fail("section " + s.name + ": page header is invalid");
        }
        std::string_view data = bytes.substr(address + kDataHeaderSize, compressedSize);
        const std::uint32_t checksum = ReadLittleEndian<std::uint32_t>(header + 0x1C);
        if (R2004DataHeaderChecksum(header) != ReadLittleEndian<std::uint32_t>(header + 0x18)) {
            return fail("section " + s.name + ": page checksum mismatch");
        }
        // Pages are padded to the section's page size; the section ends earlier.
        const std::size_t length = std::min<std::size_t>(maxPage, static_cast<std::size_t>(s.size - start));
        std::string_view same;
        const bool isKnown = known && known->file && KnownPage(*known, s, p, data, start, length, same);
        // A page that fits in the section decompresses in place; the last
        // one, whose padding would run past the section's end, beside it.
        const bool inPlace = length == maxPage;
        if (s.compressed == 2 && inPlace && !isKnown && !written) {
            jobs.push_back({data, checksum, static_cast<std::size_t>(start)});
            if (!apart && !runJobs()) return false;
            continue;
        }
        if (R2004DataChecksum(data) != checksum) return fail("section " + s.name + ": page checksum mismatch");
        const auto at = static_cast<std::size_t>(start);
        if (isKnown) {
            if (!check.Put(s.data, at, same)) return fail(notWritten());
            continue;
        }
        if (s.compressed != 2) {
            if (!check.Put(s.data, at, data.substr(0, length))) return fail(notWritten());
            continue;
        }
        scratch.resize(maxPage);
        const std::size_t got = Decompress2004(data, scratch.data(), maxPage);
        if (got == kDecompressFailed) return fail("section " + s.name + ": page does not decompress");
        if (!check.Put(s.data, at, std::string_view(scratch).substr(0, std::min(got, length)))) return fail(notWritten());
    }
    if (!runJobs()) return false;
    if (written && !check.RestIsZero()) {
        why = "section " + s.name + " does not hold the data written";
        return false;
    }
    return true;
}

}  // namespace kel::dwg
