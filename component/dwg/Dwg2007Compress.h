// The compressing side of the R2007 (AC1021) LZ77 variant (the reading side
// is Dwg2007Decompress.h).
#pragma once

#include <string>
#include <string_view>

namespace kel::dwg {

// Compresses `in` so that Decompress2007 gives it back exactly: greedy
// matching over a hash chain of recent positions, back references of up to
// 0xFFFF bytes distance. Any input, the empty one included, can be expressed.
std::string Compress2007(std::string_view in);

}  // namespace kel::dwg
