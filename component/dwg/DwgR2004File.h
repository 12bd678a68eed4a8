// The R2004 file organisation: an encrypted file header, a page map and a
// section map (system pages), and data sections made of compressed,
// checksummed pages. Parsing yields each section's decompressed bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kel::dwg {

struct R2004Section {
    std::string name;  // "AcDb:Header", "AcDb:AcDbObjects", ...
    std::uint64_t size = 0;
    std::int32_t id = 0;
    std::int32_t compressed = 0;  // 2 when the pages are compressed
    std::int32_t encrypted = 0;
    bool readable = true;  // false for encrypted sections and pages in an unknown form
    std::string data;      // decompressed; empty when not readable
};

class R2004File {
public:
    // False with a reason when a structure is missing, a checksum or CRC
    // does not match, or a page does not decompress.
    bool Parse(std::string_view bytes, std::string& why);

    const R2004Section* Find(const std::string& name) const;

    std::uint16_t codePage = 0;
    std::vector<R2004Section> sections;

private:
    bool ReadSystemPage(std::string_view bytes, std::uint64_t address, std::uint32_t type, std::string& out,
                        std::string& why) const;
    bool ReadSection(std::string_view bytes, std::string_view map, std::size_t& at, R2004Section& s,
                     std::string& why) const;

    std::vector<std::pair<std::int32_t, std::uint64_t>> pages_;  // page number -> file address
};

// The 0x6C bytes at 0x80 decrypt with this sequence.
void R2004HeaderMask(std::uint8_t (&mask)[0x6C]);

}  // namespace kel::dwg
