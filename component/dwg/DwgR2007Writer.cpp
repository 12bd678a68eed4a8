#include "component/dwg/DwgR2007Writer.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <unordered_map>
#include <vector>

#include "component/ByteOrder.h"
#include "component/dwg/Dwg2007Random.h"
#include "component/dwg/DwgR2007Pages.h"

namespace kel::dwg {
namespace {

// Fields of the 0x110 header bytes.
constexpr std::size_t kFileSize = 0x08, kPageMapCrcCompressed = 0x10, kPageMapFactor = 0x18,
                      kPageMapCrcSeed = 0x20, kPageMap2Offset = 0x28, kPageMap2Id = 0x30, kPageMapOffset = 0x38,
                      kPageMapId = 0x40, kHeader2Offset = 0x48, kPageMapSizeCompressed = 0x50,
                      kPageMapSizeUncompressed = 0x58, kPagesAmount = 0x60, kPagesMaxId = 0x68,
                      kPageMapCrcUncompressed = 0x80, kSectionMapCrcUncompressed = 0xA8,
                      kSectionMapSizeCompressed = 0xB0, kSectionMap2Id = 0xB8, kSectionMapId = 0xC0,
                      kSectionMapSizeUncompressed = 0xC8, kSectionMapCrcCompressed = 0xD0, kSectionMapFactor = 0xD8,
                      kSectionMapCrcSeed = 0xE0, kCrcSeed = 0xF0, kCrcSeedEncoded = 0xF8, kRandomSeed = 0x100;
// Fields of the first 0x80 bytes that hold the address of a page.
constexpr std::size_t kMetaPageAddresses[] = {0x0D, 0x20, 0x24, 0x2C};
constexpr std::size_t kSectionEntrySize = 0x40, kPageEntrySize = 0x38;
constexpr std::uint64_t kSmallestPage = 0x100;

std::uint64_t U64(std::string_view s, std::size_t at) { return ReadLittleEndian<std::uint64_t>(s, at); }
// A page id without its sign (a negative id marks a gap).
std::uint64_t Magnitude(std::int64_t id) {
    return id < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(id) : static_cast<std::uint64_t>(id);
}
void PutU64(std::string& s, std::size_t at, std::uint64_t v) { PutLittleEndian(s.data() + at, v, 8); }
void AppendU64(std::string& s, std::uint64_t v) {
    char b[8];
    PutLittleEndian(b, v, 8);
    s.append(b, 8);
}

struct MapPage {
    std::int64_t id = 0;  // negative: a gap
    std::uint64_t size = 0, address = 0;
};

struct SectionPage {
    std::uint64_t dataOffset = 0, id = 0;
    R2007DataPageInfo info;
};

struct Section {
    std::string entry;  // the 0x40 bytes and the name as stored
    std::string name;
    std::uint64_t dataSize = 0, maxSize = 0, encryption = 0, encoding = 0;
    std::vector<SectionPage> pages;
};

struct Container {
    std::string header;
    std::vector<MapPage> pages;
    std::vector<Section> sections;
};

bool ParseSectionMap(std::string_view map, std::vector<Section>& sections, std::string& why) {
    for (std::size_t at = 0; at < map.size();) {
        if (map.size() - at < kSectionEntrySize) {
            why = "the section map ends inside an entry";
            return false;
        }
        Section s;
        s.dataSize = U64(map, at);
        s.maxSize = U64(map, at + 8);
        s.encryption = U64(map, at + 0x10);
        const std::uint64_t nameBytes = U64(map, at + 0x20);
        s.encoding = U64(map, at + 0x30);
        const std::uint64_t count = U64(map, at + 0x38);
        if (nameBytes > map.size() - at - kSectionEntrySize ||
            count > (map.size() - at - kSectionEntrySize - nameBytes) / kPageEntrySize) {
            why = "the section map lists more than it holds";
            return false;
        }
        s.entry.assign(map.substr(at, kSectionEntrySize + nameBytes));
        for (std::size_t i = 0; i + 1 < nameBytes; i += 2) {
            const char c = map[at + kSectionEntrySize + i];
            if (c != 0) s.name += c;
        }
        at += kSectionEntrySize + nameBytes;
        for (std::uint64_t p = 0; p < count; ++p, at += kPageEntrySize) {
            SectionPage page;
            page.dataOffset = U64(map, at);
            page.info.pageSize = U64(map, at + 8);
            page.id = U64(map, at + 0x10);
            page.info.uncompressedSize = U64(map, at + 0x18);
            page.info.compressedSize = U64(map, at + 0x20);
            page.info.checksum = U64(map, at + 0x28);
            page.info.crc = U64(map, at + 0x30);
            s.pages.push_back(page);
        }
        sections.push_back(std::move(s));
    }
    return true;
}

// What the writer needs of the parsed file: the header bytes, the page map
// with absolute addresses, and the section map entries as stored (the
// reader's decoded map, cut into entries that keep their exact bytes).
bool ContainerOf(const R2007File& file, Container& c, std::string& why) {
    c.header = file.headerData;
    for (const R2007PageEntry& e : file.pageMap) c.pages.push_back({e.id, e.size, kR2007PagesStart + e.offset});
    return ParseSectionMap(file.sectionMapPage.data, c.sections, why);
}

// The new pages of a replaced section. From the start, each page whose data
// is the same as before (and was read without correction) keeps its place in
// the section and its stored bytes, taken from the file read; from the first
// page that differs, the data is cut at the section's page size and encoded
// anew into `encoded`. `stored` views each page as stored.
bool BuildSection(const Section& old, const R2007Section* read, std::string_view bytes,
                  const std::unordered_map<std::int64_t, std::uint64_t>& sizeOfPage, std::string_view previous,
                  std::string_view data, Dwg2007Random& random, std::uint64_t& nextId, Section& out,
                  std::vector<std::string_view>& stored, std::deque<std::string>& encoded, std::string& why) {
    // Pages far smaller than any a real file uses would only multiply the page map.
    if (old.encryption != 0 || old.encoding != 4 || old.maxSize < kSmallestPage) {
        why = "section " + old.name + " is stored in a form this writer does not write";
        return false;
    }
    out = old;
    out.pages.clear();
    out.dataSize = data.size();
    PutU64(out.entry, 0, data.size());
    std::size_t at = 0;
    std::size_t n = 0;
    for (; read && n < old.pages.size() && n < read->pages.size(); ++n) {
        const R2007SectionPage& before = read->pages[n];
        const std::uint64_t length = before.uncompressedSize;
        auto size = sizeOfPage.find(before.id);  // what the page takes in the file
        const bool same = before.corrected == 0 && before.dataOffset == at && length > 0 &&
                          length <= data.size() - at && length <= previous.size() &&
                          at <= previous.size() - length && previous.compare(at, length, data, at, length) == 0 &&
                          size != sizeOfPage.end() && before.address <= bytes.size() &&
                          size->second <= bytes.size() - before.address;
        if (!same) break;
        SectionPage page = old.pages[n];
        stored.push_back(bytes.substr(before.address, size->second));
        SkipR2007DataPagePadding(page.info.compressedSize, random);
        out.pages.push_back(page);
        at += length;
    }
    for (; at < data.size(); at += old.maxSize, ++n) {
        SectionPage page;
        page.dataOffset = at;
        page.id = n < old.pages.size() ? old.pages[n].id : nextId++;
        encoded.push_back(EncodeR2007DataPage(std::string_view(data).substr(at, old.maxSize), true, random, page.info));
        stored.push_back(encoded.back());
        out.pages.push_back(page);
    }
    PutU64(out.entry, 0x38, out.pages.size());
    return true;
}

std::string SectionMapBytes(const std::vector<Section>& sections) {
    std::string map;
    for (const Section& s : sections) {
        map += s.entry;
        for (const SectionPage& p : s.pages) {
            AppendU64(map, p.dataOffset);
            AppendU64(map, p.info.pageSize);
            AppendU64(map, p.id);
            AppendU64(map, p.info.uncompressedSize);
            AppendU64(map, p.info.compressedSize);
            AppendU64(map, p.info.checksum);
            AppendU64(map, p.info.crc);
        }
    }
    return map;
}

}  // namespace

bool WriteR2007(std::string_view bytes, const R2007File& file, const std::map<std::string, std::string_view>& replaced,
                std::string& out, std::string& why, const std::map<std::string, std::string_view>& previous) {
    Container c;
    if (!ContainerOf(file, c, why)) return false;
    if (bytes.size() < kR2007PagesStart) {
        why = "the file is shorter than its header";
        return false;
    }
    for (const MapPage& p : c.pages) {
        if (p.address > bytes.size() || p.size > bytes.size() - p.address) {
            why = "a page lies outside the file";
            return false;
        }
    }
    std::string header = c.header;
    Dwg2007Random random(U64(header, kRandomSeed));

    // The seeds the header hides, first, as the format orders them.
    PutU64(header, kCrcSeed, 0);
    PutU64(header, kSectionMapCrcSeed, random.Encode(0));
    PutU64(header, kPageMapCrcSeed, random.Encode(0));
    PutU64(header, kCrcSeedEncoded, random.Encode(0));

    std::uint64_t nextId = U64(header, kPagesMaxId) + 1;
    for (const MapPage& p : c.pages) nextId = std::max<std::uint64_t>(nextId, Magnitude(p.id) + 1);
    std::vector<Section> sections = c.sections;
    std::unordered_map<std::int64_t, std::uint64_t> sizeOfPage;
    for (const MapPage& p : c.pages) sizeOfPage[p.id] = p.size;
    // Page id -> the new stored pages of a replaced section that take its place.
    std::unordered_map<std::uint64_t, std::vector<std::pair<std::uint64_t, std::string_view>>> newPagesAt;
    std::deque<std::string> encoded;  // the pages encoded anew (a deque: their views stay valid)
    std::unordered_map<std::uint64_t, bool> dropped;
    for (const auto& entry : replaced) {
        const std::string& name = entry.first;
        const std::string_view data = entry.second;
        auto it = std::find_if(sections.begin(), sections.end(), [&](const Section& s) { return s.name == name; });
        if (it == sections.end()) {
            why = "the drawing has no section " + name;
            return false;
        }
        if (it->pages.empty()) {
            why = "section " + name + " has no page to take the place of";
            return false;
        }
        Section rebuilt;
        std::vector<std::string_view> stored;
        auto earlier = previous.find(name);
        const R2007Section* read = file.Find(name);
        const std::string_view before =
            earlier != previous.end() ? earlier->second : read ? std::string_view(read->data) : std::string_view();
        if (!BuildSection(*it, read, bytes, sizeOfPage, before, data, random, nextId, rebuilt, stored, encoded, why)) {
            return false;
        }
        for (const SectionPage& p : it->pages) dropped[p.id] = true;
        auto& slot = newPagesAt[it->pages.front().id];
        for (std::size_t i = 0; i < stored.size(); ++i) slot.emplace_back(rebuilt.pages[i].id, stored[i]);
        *it = std::move(rebuilt);
    }

    // The system pages: their sizes follow from their decompressed sizes alone.
    const std::uint64_t pageMapId = U64(header, kPageMapId), pageMap2Id = U64(header, kPageMap2Id);
    const std::uint64_t sectionMapId = U64(header, kSectionMapId), sectionMap2Id = U64(header, kSectionMap2Id);
    auto isSystem = [&](std::int64_t id) {
        return id == static_cast<std::int64_t>(pageMapId) || id == static_cast<std::int64_t>(pageMap2Id) ||
               id == static_cast<std::int64_t>(sectionMapId) || id == static_cast<std::int64_t>(sectionMap2Id);
    };
    const std::string sectionMap = SectionMapBytes(sections);
    R2007SystemPageInfo sectionInfo;
    const std::string sectionPage = EncodeR2007SystemPage(sectionMap, true, random, sectionInfo);

    // The new page order: every old page in place, a replaced section's pages where its first page was.
    struct Placed {
        std::int64_t id;
        std::string_view stored;  // empty for the page map pages, written last
        std::uint64_t size;
        std::uint64_t oldAddress;  // 0 for new pages
    };
    std::vector<Placed> placed;
    for (const MapPage& p : c.pages) {
        if (p.id >= 0 && dropped.count(static_cast<std::uint64_t>(p.id))) {
            auto it = newPagesAt.find(static_cast<std::uint64_t>(p.id));
            if (it == newPagesAt.end()) continue;
            for (const auto& page : it->second) {
                placed.push_back({static_cast<std::int64_t>(page.first), page.second, page.second.size(), 0});
            }
            continue;
        }
        if (p.id == static_cast<std::int64_t>(sectionMapId) || p.id == static_cast<std::int64_t>(sectionMap2Id)) {
            placed.push_back({p.id, sectionPage, sectionPage.size(), p.address});
        } else if (isSystem(p.id)) {
            placed.push_back({p.id, {}, 0, p.address});
        } else {
            placed.push_back({p.id, bytes.substr(p.address, p.size), p.size, p.address});
        }
    }
    // The page map lists every page, itself included.
    const std::uint64_t pageMapBytes = placed.size() * 16;
    const std::uint64_t pageMapPageSize = R2007SystemPageSize(pageMapBytes);
    std::string pageMap;
    std::uint64_t maxId = 0;
    for (Placed& p : placed) {
        if (isSystem(p.id) && p.id != static_cast<std::int64_t>(sectionMapId) &&
            p.id != static_cast<std::int64_t>(sectionMap2Id))
            p.size = pageMapPageSize;
        AppendU64(pageMap, p.size);
        AppendU64(pageMap, static_cast<std::uint64_t>(p.id));
        maxId = std::max<std::uint64_t>(maxId, Magnitude(p.id));
    }
    R2007SystemPageInfo pageInfo;
    const std::string pageMapPage = EncodeR2007SystemPage(pageMap, true, random, pageInfo);

    // Lay the file: the first 0x80 bytes, the header page, the pages, the
    // header copy. Its size is known: one allocation, no copies as it grows.
    std::size_t total = kR2007HeaderAt + kR2007HeaderPageSize + kR2007HeaderPageSize;
    for (const Placed& p : placed) total += p.stored.empty() ? pageMapPage.size() : p.stored.size();
    out.clear();
    out.reserve(total);
    out.assign(bytes.substr(0, kR2007HeaderAt));
    out.append(kR2007HeaderPageSize, '\0');
    std::unordered_map<std::uint64_t, std::uint64_t> moved;  // old page address -> new
    for (const Placed& p : placed) {
        const std::uint64_t at = out.size();
        if (p.oldAddress != 0) moved[p.oldAddress] = at;
        if (p.id == static_cast<std::int64_t>(pageMapId)) PutU64(header, kPageMapOffset, at - kR2007PagesStart);
        if (p.id == static_cast<std::int64_t>(pageMap2Id)) PutU64(header, kPageMap2Offset, at - kR2007PagesStart);
        out.append(p.stored.empty() ? std::string_view(pageMapPage) : p.stored);
    }
    for (std::size_t at : kMetaPageAddresses) {
        const std::uint32_t old = ReadLittleEndian<std::uint32_t>(out, at);
        auto it = moved.find(old);
        if (it != moved.end()) PutLittleEndian(out.data() + at, it->second, 4);
    }
    PutU64(header, kHeader2Offset, out.size() - kR2007PagesStart);
    PutU64(header, kFileSize, out.size() + kR2007HeaderPageSize);
    PutU64(header, kPageMapCrcCompressed, pageInfo.crcCompressed);
    PutU64(header, kPageMapCrcUncompressed, pageInfo.crcUncompressed);
    PutU64(header, kPageMapFactor, pageInfo.factor);
    PutU64(header, kPageMapSizeCompressed, pageInfo.sizeCompressed);
    PutU64(header, kPageMapSizeUncompressed, pageInfo.sizeUncompressed);
    PutU64(header, kPagesAmount, placed.size());
    PutU64(header, kPagesMaxId, maxId);
    PutU64(header, kSectionMapCrcCompressed, sectionInfo.crcCompressed);
    PutU64(header, kSectionMapCrcUncompressed, sectionInfo.crcUncompressed);
    PutU64(header, kSectionMapFactor, sectionInfo.factor);
    PutU64(header, kSectionMapSizeCompressed, sectionInfo.sizeCompressed);
    PutU64(header, kSectionMapSizeUncompressed, sectionInfo.sizeUncompressed);
    const std::string headerPage = EncodeR2007HeaderPage(header, random);
    out.replace(kR2007HeaderAt, kR2007HeaderPageSize, headerPage);
    out += headerPage;
    return true;
}

}  // namespace kel::dwg
