#include "component/dwg/DwgR2004Writer.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "component/ByteOrder.h"
#include "component/dwg/DwgCompress.h"
#include "component/dwg/DwgCrc.h"

namespace kel::dwg {
namespace {

// Header fields (in the decrypted 0x6C bytes) this writer sets.
constexpr std::size_t kRootGap = 0x18, kLeftGap = 0x1C, kRightGap = 0x20;
constexpr std::size_t kLastPageId = 0x28, kLastPageEnd = 0x2C, kSecondHeaderAddress = 0x34;
constexpr std::size_t kGapAmount = 0x3C, kPageAmount = 0x40, kPageMapId = 0x50, kPageMapAddress = 0x54;
constexpr std::size_t kSectionMapId = 0x5C, kPageArraySize = 0x60, kGapArraySize = 0x64, kHeaderCrc = 0x68;
// Fields of the plain file header that point into pages (page address + 0x20).
constexpr std::size_t kPagePointers[] = {0x0D, 0x20, 0x24};

std::size_t Align(std::size_t n) { return (n + 0x1F) & ~std::size_t{0x1F}; }

// What a written file may take beyond its pages: room for maps grown past
// the old ones, and for each new page its padding and its map entries.
constexpr std::size_t kMapsRoom = 64 * 1024, kPageAlignment = 0x20, kPageMapEntryRoom = 64;

// Pages start on 0x20-byte boundaries; the bytes between are taken from the
// start of the header mask sequence.
void Pad(std::string& out) {
    std::uint8_t mask[kR2004HeaderSize];
    R2004HeaderMask(mask);
    const std::size_t n = Align(out.size()) - out.size();
    for (std::size_t i = 0; i < n; ++i) out += static_cast<char>(mask[i]);
}

// A system page: header, compressed data, the header again with sizes and
// checksum zero.
std::string SystemPage(std::uint32_t type, const std::string& data) {
    std::string packed;
    Compress2004(data, packed);  // system data is never 1 to 3 bytes long
    std::uint8_t header[kR2004SystemHeaderSize] = {};
    PutLittleEndian(header, type, 4);
    PutLittleEndian(header + 4, static_cast<std::uint32_t>(data.size()), 4);
    PutLittleEndian(header + 8, static_cast<std::uint32_t>(packed.size()), 4);
    PutLittleEndian(header + 0x0C, 2, 4);
    PutLittleEndian(header + 0x10, R2004SystemPageChecksum(header, packed), 4);
    std::string page(reinterpret_cast<const char*>(header), sizeof header);
    page += packed;
    std::uint8_t trailer[kR2004SystemHeaderSize] = {};
    PutLittleEndian(trailer, type, 4);
    PutLittleEndian(trailer + 0x0C, 2, 4);
    page.append(reinterpret_cast<const char*>(trailer), sizeof trailer);
    return page;
}

// A new data page at the end of `out`.
void AppendDataPage(std::string& out, std::int32_t sectionId, std::string_view stored, std::uint64_t start) {
    std::uint8_t header[kR2004DataHeaderSize] = {};
    PutLittleEndian(header, kR2004DataPageType, 4);
    PutLittleEndian(header + 4, static_cast<std::uint32_t>(sectionId), 4);
    PutLittleEndian(header + 8, static_cast<std::uint32_t>(stored.size()), 4);
    PutLittleEndian(header + 0x0C, static_cast<std::uint32_t>(Align(kR2004DataHeaderSize + stored.size())), 4);
    PutLittleEndian(header + 0x10, static_cast<std::uint32_t>(start), 4);
    PutLittleEndian(header + 0x1C, R2004DataChecksum(stored), 4);
    PutLittleEndian(header + 0x18, R2004DataHeaderChecksum(header), 4);
    R2004MaskDataHeader(header, out.size());
    out.append(reinterpret_cast<const char*>(header), sizeof header);
    out.append(stored);
    Pad(out);
}

// The stored pages of a section's new data, cut at its page size, each
// padded to that size as the format stores them.
struct NewPages {
    // Each page as stored: a view into the file read (a page kept as it
    // was), into the section's data, or into `packed` and `lastPage`, which
    // do not change once viewed.
    std::vector<std::string_view> stored;
    std::vector<std::string> packed;
    std::string lastPage;
    std::vector<R2004SectionPage> list;  // numbers filled in when placed
    bool compressed = true;
    bool placed = false;
};

// The section's earlier stored page `index` when it starts at `at` and held
// the same full page of data as `page` does now.
bool SamePage(std::string_view bytes, const R2004File& file, const R2004Section& s, std::string_view previous,
              std::size_t index, std::size_t at, std::string_view page, std::string_view& stored) {
    return index < s.pages.size() && s.pages[index].start == at && page.size() == s.maxPageSize &&
           at <= previous.size() && previous.size() - at >= page.size() &&
           previous.compare(at, page.size(), page) == 0 && file.StoredPage(bytes, s.pages[index].number, stored);
}

bool MakePages(std::string_view bytes, const R2004File& file, const R2004Section& s, std::string_view data,
               std::string_view previous, bool compress, std::size_t helpFrom, NewPages& out, std::string& why) {
    if (s.maxPageSize == 0 || !s.readable || s.encrypted == 1) {
        why = "section " + s.name + " cannot be written";
        return false;
    }
    out.compressed = compress && s.compressed == 2;
    // The pages to compress, as views into the data; only the last one, which
    // the data may end before the page size, is copied to be padded. A page
    // kept as it was is taken from the file read, not copied.
    std::vector<std::string_view> toCompress;
    std::vector<std::size_t> storedAs;  // where each of them goes in out.stored
    for (std::size_t at = 0; at < data.size(); at += s.maxPageSize) {
        std::string_view full = data.substr(at, s.maxPageSize);
        std::string_view same;
        if (out.compressed && SamePage(bytes, file, s, previous, out.stored.size(), at, full, same)) {
            out.stored.push_back(same);
        } else {
            if (full.size() < s.maxPageSize) {
                out.lastPage.assign(full);
                out.lastPage.resize(s.maxPageSize, '\0');
                full = out.lastPage;
            }
            if (out.compressed) {
                storedAs.push_back(out.stored.size());
                toCompress.push_back(full);
            }
            out.stored.push_back(out.compressed ? std::string_view() : full);
        }
        out.list.push_back({0, 0, at});
    }
    if (!Compress2004Pages(toCompress, out.packed, helpFrom)) {
        why = "section " + s.name + " cannot be compressed";
        return false;
    }
    for (std::size_t k = 0; k < out.packed.size(); ++k) out.stored[storedAs[k]] = out.packed[k];
    for (std::size_t k = 0; k < out.stored.size(); ++k) {
        out.list[k].dataSize = static_cast<std::uint32_t>(out.stored[k].size());
    }
    return true;
}

}  // namespace

bool WriteR2004(std::string_view bytes, const R2004File& file,
                const std::map<std::string, std::string_view>& replaced, const R2004WriteOptions& options,
                std::string& out, std::string& why) {
    if (file.headerData.size() != kR2004HeaderSize || file.sectionMapHead.size() != 0x14 ||
        bytes.size() < kR2004PagesStart) {
        why = "the file was not read as an R2004 organisation";
        return false;
    }
    std::uint8_t h[kR2004HeaderSize];
    std::memcpy(h, file.headerData.data(), sizeof h);
    std::int32_t pageMapId = static_cast<std::int32_t>(ReadLittleEndian<std::uint32_t>(h + kPageMapId));
    std::int32_t sectionMapId = static_cast<std::int32_t>(ReadLittleEndian<std::uint32_t>(h + kSectionMapId));

    // The new pages of the replaced sections.
    std::vector<NewPages> fresh(file.sections.size());
    std::vector<bool> isReplaced(file.sections.size(), false);
    for (const auto& [name, data] : replaced) {
        std::size_t i = 0;
        while (i < file.sections.size() && file.sections[i].name != name) ++i;
        if (i == file.sections.size()) {
            why = "the drawing has no section " + name;
            return false;
        }
        auto earlier = options.previous.find(name);
        const std::string_view previous =
            earlier != options.previous.end() ? earlier->second : std::string_view(file.sections[i].data);
        if (!MakePages(bytes, file, file.sections[i], data, previous, options.compress, options.helpFrom, fresh[i], why)) {
            return false;
        }
        isReplaced[i] = true;
    }

    // Every page number and the section page it is.
    std::unordered_map<std::int32_t, std::size_t> sectionOfPage;
    std::int32_t highest = 0;
    for (std::size_t i = 0; i < file.sections.size(); ++i) {
        for (const R2004SectionPage& p : file.sections[i].pages) sectionOfPage[p.number] = i;
    }
    for (const R2004PageEntry& e : file.pageMap) highest = std::max(highest, e.number);
    // A replaced section reuses its page numbers; pages beyond them take new
    // numbers, and the two system pages then move behind those to stay last.
    std::int32_t next = highest + 1;
    bool renumberSystem = false;
    for (std::size_t i = 0; i < file.sections.size(); ++i) {
        if (!isReplaced[i]) continue;
        for (std::size_t k = 0; k < fresh[i].list.size(); ++k) {
            if (k < file.sections[i].pages.size()) {
                fresh[i].list[k].number = file.sections[i].pages[k].number;
            } else {
                fresh[i].list[k].number = next++;
                renumberSystem = true;
            }
        }
    }
    if (renumberSystem) {
        sectionMapId = next++;
        pageMapId = next++;
    }

    // The file is at most the old one with the pages of the replaced
    // sections swapped for the new ones, and the maps: reserved at once, it
    // is not copied as it grows.
    std::size_t most = bytes.size() + kMapsRoom;
    for (const R2004PageEntry& e : file.pageMap) {
        auto owner = sectionOfPage.find(e.number);
        if (owner != sectionOfPage.end() && isReplaced[owner->second]) most -= std::min<std::size_t>(e.size, most);
    }
    for (const NewPages& n : fresh) {
        for (const std::string_view stored : n.stored) most += kR2004DataHeaderSize + stored.size() + kPageAlignment;
        most += n.stored.size() * kPageMapEntryRoom;
    }
    out.clear();
    out.reserve(most);
    out.assign(bytes.substr(0, kR2004PagesStart));
    std::vector<std::pair<std::int32_t, std::uint32_t>> entries;  // the new page map
    std::unordered_map<std::uint64_t, std::uint64_t> moved;      // old page address -> new
    auto placeFresh = [&](std::size_t i) {
        NewPages& n = fresh[i];
        for (std::size_t k = 0; k < n.stored.size(); ++k) {
            const std::size_t at = out.size();
            AppendDataPage(out, file.sections[i].id, n.stored[k], n.list[k].start);
            entries.emplace_back(n.list[k].number, static_cast<std::uint32_t>(out.size() - at));
        }
        n.placed = true;
    };
    const std::int32_t oldPageMapId = static_cast<std::int32_t>(ReadLittleEndian<std::uint32_t>(h + kPageMapId));
    const std::int32_t oldSectionMapId = static_cast<std::int32_t>(ReadLittleEndian<std::uint32_t>(h + kSectionMapId));
    std::uint32_t oldPageMapSlot = 0;
    for (const R2004PageEntry& e : file.pageMap) {
        if (e.number == oldPageMapId) oldPageMapSlot = e.size;
        // Gaps are left out; the maps are written anew behind the data.
        if (e.number < 0 || e.number == oldPageMapId || e.number == oldSectionMapId) continue;
        auto owner = sectionOfPage.find(e.number);
        if (owner == sectionOfPage.end()) continue;  // a page no section lists is never read
        const std::size_t i = owner->second;
        if (isReplaced[i]) {
            if (!fresh[i].placed) placeFresh(i);
            continue;
        }
        if (e.address > bytes.size() || e.size < kR2004DataHeaderSize || e.size > bytes.size() - e.address) {
            why = "page " + std::to_string(e.number) + " lies outside the file";
            return false;
        }
        std::uint8_t header[kR2004DataHeaderSize];
        std::memcpy(header, bytes.data() + e.address, sizeof header);
        R2004MaskDataHeader(header, e.address);
        if (ReadLittleEndian<std::uint32_t>(header) != kR2004DataPageType) {
            why = "page " + std::to_string(e.number) + " is not a data page";
            return false;
        }
        moved[e.address] = out.size();
        R2004MaskDataHeader(header, out.size());
        out.append(reinterpret_cast<const char*>(header), sizeof header);
        out.append(bytes.substr(e.address + kR2004DataHeaderSize, e.size - kR2004DataHeaderSize));
        entries.emplace_back(e.number, e.size);
    }
    for (std::size_t i = 0; i < file.sections.size(); ++i) {
        if (isReplaced[i] && !fresh[i].placed) placeFresh(i);  // a section that had no pages
    }

    // Section map: the descriptions as stored, with the replaced sections'
    // size, page count, compression and page list.
    std::string sectionMap = file.sectionMapHead;
    for (std::size_t i = 0; i < file.sections.size(); ++i) {
        const R2004Section& s = file.sections[i];
        std::string d = s.description;
        const std::vector<R2004SectionPage>& list = isReplaced[i] ? fresh[i].list : s.pages;
        if (isReplaced[i]) {
            PutLittleEndian(d.data(), replaced.at(s.name).size(), 8);
            PutLittleEndian(d.data() + 0x14, fresh[i].compressed ? 2 : 1, 4);
        }
        PutLittleEndian(d.data() + 8, static_cast<std::uint32_t>(list.size()), 4);
        sectionMap += d;
        for (const R2004SectionPage& p : list) {
            AppendLittleEndian(sectionMap, static_cast<std::uint32_t>(p.number), 4);
            AppendLittleEndian(sectionMap, p.dataSize, 4);
            AppendLittleEndian(sectionMap, p.start, 8);
        }
    }
    const std::size_t sectionMapAt = out.size();
    out += SystemPage(kR2004SectionMapType, sectionMap);
    Pad(out);
    entries.emplace_back(sectionMapId, static_cast<std::uint32_t>(out.size() - sectionMapAt));

    // Page map, which lists itself: its slot is grown until its own entry
    // holds it (it keeps the slot it had when that is large enough).
    const std::size_t pageMapAt = out.size();
    std::uint32_t slot = std::max<std::uint32_t>(oldPageMapSlot, 0x20);
    std::string pageMapPage;
    for (;;) {
        std::string data;
        for (const auto& [number, size] : entries) {
            AppendLittleEndian(data, static_cast<std::uint32_t>(number), 4);
            AppendLittleEndian(data, size, 4);
        }
        AppendLittleEndian(data, static_cast<std::uint32_t>(pageMapId), 4);
        AppendLittleEndian(data, slot, 4);
        pageMapPage = SystemPage(kR2004PageMapType, data);
        if (Align(pageMapPage.size()) <= slot) break;
        slot = static_cast<std::uint32_t>(Align(pageMapPage.size()));
    }
    entries.emplace_back(pageMapId, slot);
    out += pageMapPage;
    const std::size_t secondHeaderAt = out.size();

    std::int32_t last = 0;
    for (const auto& entry : entries) last = std::max(last, entry.first);
    for (std::size_t field : {kRootGap, kLeftGap, kRightGap, kGapAmount, kGapArraySize}) PutLittleEndian(h + field, 0, 4);
    PutLittleEndian(h + kLastPageId, static_cast<std::uint32_t>(last), 4);
    PutLittleEndian(h + kLastPageEnd, pageMapAt + slot - kR2004PagesStart, 8);
    PutLittleEndian(h + kSecondHeaderAddress, secondHeaderAt, 8);
    PutLittleEndian(h + kPageAmount, static_cast<std::uint32_t>(entries.size()), 4);
    PutLittleEndian(h + kPageMapId, static_cast<std::uint32_t>(pageMapId), 4);
    PutLittleEndian(h + kPageMapAddress, pageMapAt - kR2004PagesStart, 8);
    PutLittleEndian(h + kSectionMapId, static_cast<std::uint32_t>(sectionMapId), 4);
    PutLittleEndian(h + kPageArraySize, static_cast<std::uint32_t>(last), 4);
    PutLittleEndian(h + kHeaderCrc, 0, 4);
    PutLittleEndian(h + kHeaderCrc, Crc32(0, h, sizeof h), 4);
    std::uint8_t mask[kR2004HeaderSize];
    R2004HeaderMask(mask);
    for (std::size_t i = 0; i < kR2004HeaderSize; ++i) h[i] ^= mask[i];
    out.replace(kR2004HeaderAt, kR2004HeaderSize, reinterpret_cast<const char*>(h), kR2004HeaderSize);
    out.append(reinterpret_cast<const char*>(h), kR2004HeaderSize);

    for (std::size_t field : kPagePointers) {
        std::uint32_t pointer = ReadLittleEndian<std::uint32_t>(out.data() + field);
        if (pointer < kR2004DataHeaderSize) continue;
        auto it = moved.find(pointer - kR2004DataHeaderSize);
        if (it != moved.end()) PutLittleEndian(out.data() + field, static_cast<std::uint32_t>(it->second + kR2004DataHeaderSize), 4);
    }
    if (out.size() > 0xFFFFFFFFu) {
        why = "the file would grow past 4 GB";
        return false;
    }
    return true;
}

}  // namespace kel::dwg
