// The LZ77 variant that compresses R2004 section pages.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kel::dwg {

// Decompresses one page. The output may not grow past maxSize; a stream that
// refers before the start of its output, reads past its input or overruns
// maxSize fails (false).
bool Decompress2004(std::string_view in, std::size_t maxSize, std::string& out);

}  // namespace kel::dwg
