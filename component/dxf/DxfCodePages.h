// Single-byte code pages that DXF files name in $DWGCODEPAGE (ANSI_874, ANSI_1250..ANSI_1258).
#pragma once

namespace kel::dxf {

// The 128 Unicode values of bytes 0x80..0xFF of a Windows code page, or
// nullptr when the page is not one of the single-byte pages we carry.
const char16_t* CodePageTable(int codePage);

}  // namespace kel::dxf
