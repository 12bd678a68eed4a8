// How R2007 pages store their bytes: interleaved Reed-Solomon code words
// around data that is compressed when that is shorter.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kel::dwg {

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
