// The double-byte code pages of Asian drawings: Windows 932 (Japanese), 936
// (Simplified Chinese), 949 (Korean), 950 (Traditional Chinese) and 1361
// (Korean Johab). Drawings with another page write their characters as
// "\M+nXXXX": n names the page (1 to 5), XXXX is the character's two bytes
// there in hexadecimal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kel::text {

// The Windows code page of an escape's page number, or 0.
int EscapePageNumber(int n);
// The escape's page number (1 to 5) of a Windows code page, or 0.
int EscapePageOf(int codePage);

// The character of a code (lead byte * 256 + trail byte) in a double-byte
// page, or 0 when the page assigns none.
char16_t DoubleByteCharacter(int codePage, std::uint16_t code);
// The code of a character in a double-byte page, or 0 when it has none.
std::uint16_t DoubleByteCode(int codePage, char16_t c);

// The escape "\M+nXXXX" at text[i]: its character, and its page number in
// `page`; 0 when no escape of a known page and assigned code starts there.
char16_t ReadDoubleByteEscape(std::string_view text, std::size_t i, int& page);
constexpr std::size_t kDoubleByteEscapeSize = 8;
// Appends the escape of the character in the page (number 1 to 5); false
// when that page has no code for it.
bool AppendDoubleByteEscape(std::string& out, int page, char16_t c);

namespace detail {
struct DoubleBytePage {
    int codePage;
    unsigned char firstLead, lastLead;
    const char* const* rows;  // UTF-8, one per lead byte: trail bytes 0x40..0xFE
};
extern const DoubleBytePage kDoubleBytePages[];
extern const int kDoubleBytePageCount;
}  // namespace detail

}  // namespace kel::text
