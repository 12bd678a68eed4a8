// Single-byte code pages of drawing text: the Windows ANSI pages 874 and
// 1250..1258, the DOS pages, ISO 8859-1..10 and Mac Roman. Shared by the DXF
// and the DWG reader.
#pragma once

#include <string_view>

namespace kel::text {

// The 128 Unicode values of bytes 0x80..0xFF of the page a DXF header names
// ("ANSI_1252", "DOS850", "ISO8859-2", "MAC-ROMAN"; letter case ignored), or
// nullptr when it is not one we carry. 0xFFFD marks an unassigned byte.
const char16_t* CodePageTable(std::string_view name);

// The same tables by Windows code page number (1252, 437, 28592, 10000).
const char16_t* WindowsCodePageTable(int number);

}  // namespace kel::text
