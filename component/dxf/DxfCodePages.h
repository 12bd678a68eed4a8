// Single-byte code pages that DXF files name in $DWGCODEPAGE: ANSI_874 and
// ANSI_1250..ANSI_1258, the DOS pages, ISO8859-1..10 and MAC-ROMAN.
#pragma once

#include <string_view>

namespace kel::dxf {

// The 128 Unicode values of bytes 0x80..0xFF of the named code page (letter
// case ignored), or nullptr when it is not one of the single-byte pages we carry.
const char16_t* CodePageTable(std::string_view name);

}  // namespace kel::dxf
