// The R2004 file organisation: an encrypted file header, a page map and a
// section map (system pages), and data sections made of compressed,
// checksummed pages. Parsing yields each section's decompressed bytes.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace kel::dwg {

// One entry of the page map: a page, or a gap (negative number), in file order.
struct R2004PageEntry {
    std::int32_t number = 0;
    std::uint32_t size = 0;     // bytes the page takes in the file, padding included
    std::uint64_t address = 0;  // where it starts
};

// One page of a data section as the section map lists it.
struct R2004SectionPage {
    std::int32_t number = 0;
    std::uint32_t dataSize = 0;  // the stored (compressed) size
    std::uint64_t start = 0;     // offset in the section's data
};

struct R2004Section {
    std::string name;  // "AcDb:Header", "AcDb:AcDbObjects", ...
    std::uint64_t size = 0;
    std::int32_t id = 0;
    std::int32_t compressed = 0;  // 2 when the pages are compressed
    std::int32_t encrypted = 0;
    std::uint32_t maxPageSize = 0;  // the decompressed size of each page
    std::string description;        // the 0x60 bytes of the section map entry, as stored
    std::vector<R2004SectionPage> pages;
    bool readable = true;  // false for encrypted sections and pages in an unknown form
    std::string data;      // decompressed; empty when not readable
};

// The sizes and constants of the organisation.
constexpr std::size_t kR2004HeaderAt = 0x80;       // the encrypted file header data
constexpr std::size_t kR2004HeaderSize = 0x6C;
constexpr std::uint64_t kR2004PagesStart = 0x100;  // the first page; map addresses count from here
constexpr std::size_t kR2004SystemHeaderSize = 0x14;
constexpr std::size_t kR2004DataHeaderSize = 0x20;
constexpr std::size_t kR2004SectionEntrySize = 0x60;
constexpr std::uint32_t kR2004PageMapType = 0x41630E3B;
constexpr std::uint32_t kR2004SectionMapType = 0x4163003B;
constexpr std::uint32_t kR2004DataPageType = 0x4163043B;

class R2004File;

// Pages read before, from an earlier file (the one a new file was written
// from): a data page whose stored bytes are those of the page at the same
// place of the same section there is not decompressed again; its
// decompressed bytes are taken from there.
struct R2004KnownPages {
    std::string_view bytes;  // the earlier file
    const R2004File* file = nullptr;
    std::map<std::string, std::string_view> data;  // section name -> its decompressed data there
    // Section name -> the data the new file was written with, held by the
    // caller: the section's pages are checked to hold exactly these bytes
    // (and zeroes where no page lies), and its data is left empty instead of
    // holding a copy.
    std::map<std::string, std::string_view> written;
};

class R2004File {
public:
    // False with a reason when a structure is missing, a checksum or CRC
    // does not match, or a page does not decompress.
    bool Parse(std::string_view bytes, std::string& why, const R2004KnownPages* known = nullptr);

    const R2004Section* Find(const std::string& name) const;
    // The stored (compressed) bytes of data page `number` of this file, read
    // from `bytes`, the file it was parsed from. False when the page is
    // not in the page map or its header does not fit.
    bool StoredPage(std::string_view bytes, std::int32_t number, std::string_view& stored) const;

    std::uint16_t codePage = 0;
    std::vector<R2004Section> sections;  // in the order of the section map
    std::string headerData;              // the 0x6C file header bytes, decrypted
    std::vector<R2004PageEntry> pageMap;
    std::string sectionMapHead;          // the section map's first 0x14 bytes

private:
    bool ReadSystemPage(std::string_view bytes, std::uint64_t address, std::uint32_t type, std::string& out,
                        std::string& why) const;
    bool ReadSection(std::string_view bytes, std::string_view map, std::size_t& at, R2004Section& s,
                     const R2004KnownPages* known, std::string& why) const;
    bool AddressOf(std::int32_t number, std::uint64_t& address) const;

    // Page number -> file address, ordered by number; a number the map names
    // twice keeps its first place in the file first.
    std::vector<std::pair<std::int32_t, std::uint64_t>> pages_;
};

// The checksum a system page header stores: over the header with the field
// zero, then over the compressed data.
std::uint32_t R2004SystemPageChecksum(const std::uint8_t (&header)[kR2004SystemHeaderSize], std::string_view data);
// A data page header holds at 0x18 a checksum over itself (decrypted, with
// 0x14 and 0x18 zero) seeded with the checksum at 0x1C, which runs over the
// page's stored data from seed 0.
std::uint32_t R2004DataChecksum(std::string_view data);
std::uint32_t R2004DataHeaderChecksum(const std::uint8_t (&header)[kR2004DataHeaderSize]);
// Data page headers are stored XORed with a mask made from their address.
void R2004MaskDataHeader(std::uint8_t (&header)[kR2004DataHeaderSize], std::uint64_t address);

// The 0x6C bytes at 0x80 decrypt with this sequence.
void R2004HeaderMask(std::uint8_t (&mask)[0x6C]);

}  // namespace kel::dwg
