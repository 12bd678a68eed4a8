// The compressing side of the LZ77 variant of R2004 section pages (the
// reading side is DwgDecompress.h).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kel::dwg {

// Compresses one page so that Decompress2004 gives back exactly `in`. Back
// references reach at most 0x7FFF bytes; a stream opens with a literal run
// of at least 4 bytes, so inputs of 1 to 3 bytes cannot be expressed and
// give false (pages are padded to their page size and never that short).
bool Compress2004(std::string_view in, std::string& out);

// Compresses every page into out (one string each, in order): the same
// streams as one Compress2004 call a page. When the pages hold helpFrom
// bytes or more, a second thread takes pages too. False when a page cannot
// be compressed or memory runs out.
bool Compress2004Pages(const std::vector<std::string_view>& pages, std::vector<std::string>& out,
                       std::size_t helpFrom);

}  // namespace kel::dwg
