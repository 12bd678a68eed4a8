// The R2007 file organisation: a Reed-Solomon coded, compressed file header
// behind the first 0x80 bytes; a page map and a section map (system pages,
// Reed-Solomon coded with a repeat factor); data sections made of pages that
// are compressed and Reed-Solomon coded, interleaved or not. Parsing yields
// each readable section's bytes and keeps every structure it read (with file
// offsets, sizes and checks) so that a writer can rebuild the file from them.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace kel::dwg {

// The fields of the decompressed file header (0x110 bytes of 64-bit values).
struct R2007FileHeader {
    std::uint64_t headerSize = 0;
    std::uint64_t fileSize = 0;
    std::uint64_t pagesMapCrcCompressed = 0;
    std::uint64_t pagesMapCorrection = 0;
    std::uint64_t pagesMapCrcSeed = 0;
    std::uint64_t pagesMap2Offset = 0;
    std::uint64_t pagesMap2Id = 0;
    std::uint64_t pagesMapOffset = 0;  // from the first page (kR2007PagesStart)
    std::uint64_t pagesMapId = 0;
    std::uint64_t header2Offset = 0;
    std::uint64_t pagesMapSizeCompressed = 0;
    std::uint64_t pagesMapSizeUncompressed = 0;
    std::uint64_t pagesAmount = 0;
    std::uint64_t pagesMaxId = 0;
    std::uint64_t pagesMapCrcUncompressed = 0;
    std::uint64_t sectionsAmount = 0;
    std::uint64_t sectionsMapCrcUncompressed = 0;
    std::uint64_t sectionsMapSizeCompressed = 0;
    std::uint64_t sectionsMap2Id = 0;
    std::uint64_t sectionsMapId = 0;
    std::uint64_t sectionsMapSizeUncompressed = 0;
    std::uint64_t sectionsMapCrcCompressed = 0;
    std::uint64_t sectionsMapCorrection = 0;
    std::uint64_t sectionsMapCrcSeed = 0;
    std::uint64_t streamVersion = 0;
    std::uint64_t crcSeed = 0;
    std::uint64_t crcSeedEncoded = 0;
    std::uint64_t randomSeed = 0;
    std::uint64_t headerCrc = 0;

    // Reads the fields from the 0x110 decompressed bytes.
    static R2007FileHeader From(std::string_view data);
};

// One entry of the page map, in file order.
struct R2007PageEntry {
    std::int64_t id = 0;        // negative for a free gap
    std::uint64_t size = 0;     // bytes in the file
    std::uint64_t offset = 0;   // from kR2007PagesStart
};

// One page of a data section as the section map lists it.
struct R2007SectionPage {
    std::uint64_t dataOffset = 0;        // where its bytes go in the section
    std::uint64_t pageSize = 0;          // bytes it takes in the file
    std::int64_t id = 0;
    std::uint64_t uncompressedSize = 0;
    std::uint64_t compressedSize = 0;
    std::uint64_t checksum = 0;          // over the decompressed data
    std::uint64_t crc = 0;               // 64-bit, over the stored data
    std::uint64_t address = 0;           // absolute file offset (from the page map)
    unsigned corrected = 0;              // bytes the Reed-Solomon code corrected
};

struct R2007Section {
    std::uint64_t dataSize = 0;
    std::uint64_t maxSize = 0;  // the decompressed size of a page
    std::uint64_t encryption = 0;  // 1: encrypted (not read)
    std::uint64_t hashCode = 0;
    std::uint64_t unknown = 0;
    std::uint64_t encoding = 0;  // 4: pages interleaved, 1: not
    std::string name;            // "AcDb:Header", ... (from UTF-16, ASCII in practice)
    std::vector<R2007SectionPage> pages;
    bool readable = true;  // false for encrypted sections
    std::string data;      // the section's bytes; empty when not readable
};

// A system page (page map or section map) and how it is stored.
struct R2007SystemPage {
    std::uint64_t address = 0;
    std::uint64_t compressedSize = 0;
    std::uint64_t uncompressedSize = 0;
    std::uint64_t repeat = 0;  // the correction factor: copies of the data coded
    std::uint64_t crcCompressed = 0;    // 64-bit CRCs of the stored and the decompressed data
    std::uint64_t crcUncompressed = 0;
    unsigned corrected = 0;
    std::string data;  // decompressed
};

constexpr std::size_t kR2007HeaderAt = 0x80;
constexpr std::size_t kR2007HeaderPageSize = 0x400;
constexpr std::size_t kR2007HeaderCodedSize = 0x3D8;  // the Reed-Solomon coded part; check data follows
constexpr std::size_t kR2007HeaderDataSize = 0x110;
constexpr std::uint64_t kR2007PagesStart = 0x480;
// Reed-Solomon code word size and data sizes of system and data pages.
constexpr std::size_t kRsCodeWord = 255;
constexpr std::size_t kRsSystemData = 239;
constexpr std::size_t kRsPageData = 251;

class R2007File;

// Pages read before, from the file a new one was written from: a data page
// stored with the same bytes, sizes and checks at the same place of the same
// section there (and read there without correction) takes its decompressed
// bytes from there instead of being decoded again.
struct R2007KnownPages {
    std::string_view bytes;  // the earlier file
    const R2007File* file = nullptr;
    std::map<std::string, std::string_view> data;  // section name -> its decompressed data there
    // Section name -> the data the new file was written with, held by the
    // caller: the section's pages are checked to hold exactly these bytes
    // (and zeroes where no page lies), and its data is left empty instead of
    // holding a copy.
    std::map<std::string, std::string_view> written;
};

class R2007File {
public:
    // False with a reason when a structure is missing or outside the file,
    // a page cannot be corrected, a check does not match or a page does not
    // decompress.
    bool Parse(std::string_view bytes, std::string& why, const R2007KnownPages* known = nullptr);

    const R2007Section* Find(const std::string& name) const;

    std::uint16_t codePage = 0;
    std::string headerData;  // the 0x110 decompressed file header bytes
    R2007FileHeader header;
    unsigned headerCorrected = 0;  // bytes the header's Reed-Solomon code corrected
    std::vector<R2007PageEntry> pageMap;
    R2007SystemPage pageMapPage;
    R2007SystemPage sectionMapPage;
    std::vector<R2007Section> sections;  // in the order of the section map

private:
    bool ReadHeader(std::string_view bytes, std::string& why);
    bool ReadSystemPage(std::string_view bytes, R2007SystemPage& page, std::string& why) const;
    bool ReadPageMap(std::string_view bytes, std::string& why);
    bool ReadSectionMap(std::string_view bytes, std::string& why);
    bool ReadSectionData(std::string_view bytes, R2007Section& s, const R2007KnownPages* known,
                         std::string& why) const;
    bool AddressOf(std::int64_t id, std::uint64_t& address, std::uint64_t& size) const;
};

}  // namespace kel::dwg
