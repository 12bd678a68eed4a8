// The second file header of R13-R2000 files: a copy of the section addresses
// and of some table handles, kept for recovery. Saving a re-laid file
// writes it again with the new addresses.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "component/dwg/DwgTypes.h"

namespace kel::dwg {

struct SecondHeader {
    std::int32_t location = 0;  // file offset of its start sentinel
    std::string prefixBits;     // version and flags between the location and the records, one char per bit
    struct Record {
        std::uint8_t number = 0;
        std::int32_t address = 0;
        std::int32_t size = 0;
    };
    std::vector<Record> records;
    std::string tailBits;  // handle count and handle records, one char per bit
    std::string padBits;   // the bits that fill the last byte, as written
    std::string junk;      // bytes behind the CRC (R14 and later)
};

// Reads the second header that starts (with its sentinel) at `at`; it holds
// as many address records as the file header has section locators.
bool ParseSecondHeader(std::string_view bytes, std::size_t at, Version version, std::size_t recordCount,
                       SecondHeader& out);

// The complete second header, sentinels included.
std::string EncodeSecondHeader(const SecondHeader& header, Version version);

}  // namespace kel::dwg
