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

// The same into `capacity` bytes at `out`: the number of bytes written, or
// kDecompressFailed.
inline constexpr std::size_t kDecompressFailed = ~std::size_t{0};
std::size_t Decompress2004(std::string_view in, char* out, std::size_t capacity);

}  // namespace kel::dwg
