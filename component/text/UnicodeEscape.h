// The "\U+XXXX" escapes drawings use for characters their code page lacks:
// exactly four hexadecimal digits (either case after the backslash); a
// character beyond U+FFFF goes as the escapes of its UTF-16 pair.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kel::text {

inline int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The code unit of the escape at text[i], or -1 when none starts there.
inline long ReadUnicodeEscape(std::string_view text, std::size_t i) {
    if (i >= text.size() || text.size() - i < 7 || text[i] != '\\' || (text[i + 1] != 'U' && text[i + 1] != 'u') ||
        text[i + 2] != '+') {
        return -1;
    }
    long v = 0;
    for (std::size_t k = 3; k < 7; ++k) {
        const int h = HexDigit(text[i + k]);
        if (h < 0) return -1;
        v = v * 16 + h;
    }
    return v;
}

// Appends the escape of one code unit (0 to 0xFFFF), upper-case digits.
inline void AppendUnicodeEscape(std::string& out, std::uint32_t unit) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += "\\U+";
    for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(unit >> shift) & 0xF];
}

}  // namespace kel::text
