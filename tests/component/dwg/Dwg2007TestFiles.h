// The corpus R2007 drawings the codec tests read, and a small walk over their
// container (file header, page map, section map, data pages) made only of the
// codecs under test, so those tests do not depend on the file reader.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "component/ByteOrder.h"
#include "component/dwg/Dwg2007Decompress.h"
#include "component/dwg/DwgReedSolomon.h"
#include "tests/component/dwg/DwgTestFiles.h"

namespace kel::dwg::test {

// The R2007 drawings of PagedCorpusFiles.
inline std::vector<std::string> R2007CorpusFiles() {
    std::vector<std::string> out;
    for (const CountedFile& f : PagedCorpusFiles()) {
        if (f.name.rfind("dwg/AC1021_R2007/", 0) == 0) out.push_back(f.name);
    }
    return out;
}

// The data bytes of the three interleaved 255-byte code words at 0x80,
// without checking their parity.
inline std::string HeaderPageData(const std::string& file) {
    std::string data;
    for (std::size_t block = 0; block < 3; ++block) {
        for (std::size_t i = 0; i < 239; ++i) data += file[0x80 + i * 3 + block];
    }
    return data;
}

struct R2007Page {
    std::string section;
    std::uint64_t encoding = 0, uncompressedSize = 0, compressedSize = 0, checksum = 0, crc = 0;
    std::string_view stored;  // the page as the file holds it
    std::string compressed;   // its data after Reed-Solomon decoding, compressedSize bytes
};

struct R2007Walk {
    std::string header;  // the 0x110 decompressed header bytes
    std::string pageMapCompressed, pageMap, sectionMap;
    std::vector<R2007Page> pages;
};

inline std::uint64_t U64(std::string_view s, std::size_t at) { return ReadLittleEndian<std::uint64_t>(s, at); }

// A system page: RS decoded (16 parity bytes, interleaved), cut to its size.
inline bool SystemPage(const std::string& file, std::uint64_t offset, std::uint64_t compressed, std::uint64_t size,
                       std::uint64_t factor, std::string& raw, std::string& out) {
    const std::size_t blocks = RsBlocksFor(ReedSolomon::SystemPages(), ((compressed + 7) & ~7ULL) * factor);
    if (offset > file.size()) return false;
    std::string data;
    if (!RsDecodeInterleaved(ReedSolomon::SystemPages(), std::string_view(file).substr(offset), blocks, data).Ok())
        return false;
    raw = data.substr(0, compressed);
    std::string error;
    if (compressed >= size) {
        out = raw;
        return true;
    }
    return Decompress2007(raw, size, out, error) && out.size() == size;
}

inline bool WalkR2007(const std::string& file, R2007Walk& walk) {
    const std::string page = HeaderPageData(file);
    const auto compressed = ReadLittleEndian<std::int32_t>(page, 0x18);
    std::string error;
    if (compressed <= 0 || !Decompress2007(std::string_view(page).substr(0x20, compressed), 0x110, walk.header, error))
        return false;
    const std::string& h = walk.header;
    if (!SystemPage(file, 0x480 + U64(h, 0x38), U64(h, 0x50), U64(h, 0x58), U64(h, 0x18), walk.pageMapCompressed,
                    walk.pageMap))
        return false;
    std::map<std::uint64_t, std::pair<std::uint64_t, std::uint64_t>> pages;  // id -> offset, size
    std::uint64_t offset = 0x480;
    for (std::size_t at = 0; at + 16 <= walk.pageMap.size(); at += 16) {
        const std::uint64_t size = U64(walk.pageMap, at);
        const auto id = static_cast<std::int64_t>(U64(walk.pageMap, at + 8));
        pages[static_cast<std::uint64_t>(id < 0 ? -id : id)] = {offset, size};
        offset += size;
    }
    std::string raw;
    if (!pages.count(U64(h, 0xC0)) ||
        !SystemPage(file, pages[U64(h, 0xC0)].first, U64(h, 0xB0), U64(h, 0xC8), U64(h, 0xD8), raw, walk.sectionMap))
        return false;
    const std::string& map = walk.sectionMap;
    for (std::size_t at = 0; at + 64 <= map.size();) {
        const std::uint64_t nameBytes = U64(map, at + 0x20), encoding = U64(map, at + 0x30), count = U64(map, at + 0x38);
        std::string name;
        for (std::size_t i = 0; i + 2 <= nameBytes && at + 64 + i + 1 < map.size(); i += 2) {
            if (map[at + 64 + i] != 0) name += map[at + 64 + i];
        }
        at += 64 + nameBytes;
        for (std::uint64_t p = 0; p < count; ++p, at += 56) {
            if (at + 56 > map.size()) return false;
            R2007Page pg;
            pg.section = name;
            pg.encoding = encoding;
            const std::uint64_t id = U64(map, at + 16);
            pg.uncompressedSize = U64(map, at + 24);
            pg.compressedSize = U64(map, at + 32);
            pg.checksum = U64(map, at + 40);
            pg.crc = U64(map, at + 48);
            if (!pages.count(id) || pages[id].first + pages[id].second > file.size()) return false;
            pg.stored = std::string_view(file).substr(pages[id].first, pages[id].second);
            const std::size_t blocks = RsBlocksFor(ReedSolomon::DataPages(), (pg.compressedSize + 7) & ~7ULL);
            std::string data;
            if (encoding == 4) {
                if (!RsDecodeInterleaved(ReedSolomon::DataPages(), pg.stored, blocks, data).Ok()) return false;
            } else {
                data = std::string(pg.stored);
            }
            if (data.size() < pg.compressedSize) return false;
            pg.compressed = data.substr(0, pg.compressedSize);
            walk.pages.push_back(std::move(pg));
        }
    }
    return true;
}

}  // namespace kel::dwg::test
