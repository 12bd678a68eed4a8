// The LZ77 variant that compresses R2007 (AC1021) pages and the file header.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kel::dwg {

// Decompresses one stream into `out`. The output may not grow past maxSize.
// A stream that reads past its input, refers before the start of its output
// or would overrun maxSize fails: false, with the reason in `error`.
bool Decompress2007(std::string_view in, std::size_t maxSize, std::string& out, std::string& error);

// Literal runs are stored in blocks of up to 32 bytes whose bytes are
// shuffled: output byte i of an n-byte block (1 <= n <= 32) is the block's
// stored byte Literal2007Order(n)[i]. A run of more than 32 bytes is whole
// 32-byte blocks followed by one block for the rest.
const std::array<std::uint8_t, 32>& Literal2007Order(std::size_t n);

}  // namespace kel::dwg
