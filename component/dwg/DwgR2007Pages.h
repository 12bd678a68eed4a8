// The stored forms of R2007 (AC1021) pages: system pages (the page map and
// the section map, Reed-Solomon coded with 16 parity bytes and repeated to fill
// their page), data pages (4 parity bytes, interleaved) and the file header
// page at 0x80, as the writer encodes them (the reader, DwgR2007File.h, decodes
// them with the two helpers at the end).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "component/dwg/Dwg2007Random.h"
#include "component/dwg/DwgR2007File.h"

namespace kel::dwg {


// The page size of a system page holding `dataSize` decompressed bytes.
std::uint64_t R2007SystemPageSize(std::uint64_t dataSize);

// What the file header records about a system page.
struct R2007SystemPageInfo {
    std::uint64_t crcCompressed = 0, crcUncompressed = 0, sizeCompressed = 0, sizeUncompressed = 0, factor = 0;
};

// Encodes a system page (its page size from R2007SystemPageSize).
std::string EncodeR2007SystemPage(std::string_view data, bool compress, Dwg2007Random& random,
                                  R2007SystemPageInfo& info);

// One data page as the section map describes it.
struct R2007DataPageInfo {
    std::uint64_t pageSize = 0, uncompressedSize = 0, compressedSize = 0, checksum = 0, crc = 0;
};

// Encodes one page of section data, its code words interleaved (sections of
// encoding 4; this writer writes no other kind).
std::string EncodeR2007DataPage(std::string_view data, bool compress, Dwg2007Random& random, R2007DataPageInfo& info);
// Takes from `random` what EncodeR2007DataPage takes for a page whose
// stored data is compressedSize bytes: a page kept as it was leaves the
// sequence where encoding it again would, so the same request writes the
// same file whichever pages are kept.
void SkipR2007DataPagePadding(std::uint64_t compressedSize, Dwg2007Random& random);

// The header page: the 0x110 header bytes (their CRC at 0x108 is set here),
// compressed, framed, repeated, coded, padded and followed by check data.
std::string EncodeR2007HeaderPage(std::string header, Dwg2007Random& random);

class ReedSolomon;

// The data of `blocks` interleaved code words, each corrected where the code
// can; adds to `corrected` the bytes corrected. False when a word has more
// errors than the code corrects or `coded` is too short.
bool RsDecodeInterleavedPage(const ReedSolomon& code, std::string_view coded, std::size_t blocks, std::string& data,
                             unsigned& corrected);

// Decompresses a page's stored bytes to exactly `size` bytes; false when the
// stream is damaged or would overrun.
bool DecompressPage(std::string_view stored, std::size_t size, std::string& out);

}  // namespace kel::dwg
