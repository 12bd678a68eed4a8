#include "component/dwg/DwgText.h"

#include <algorithm>
#include <cstdint>

#include "component/text/CodePages.h"
#include "component/text/DoubleBytePages.h"
#include "component/text/UnicodeEscape.h"
#include "component/text/Utf8.h"

namespace kel::dwg {
namespace {

using text::AppendUtf8;

// The character a byte 0x80..0xFF stands for. A byte the page leaves
// unassigned stands for the C1 control or Latin-1 letter of the same value,
// so that it survives reading and writing back.
char16_t CharacterOf(const char16_t* table, unsigned char b) {
    char16_t c = table[b - 0x80];
    return c == 0xFFFD ? static_cast<char16_t>(b) : c;
}

const char16_t* TableOf(int dwgCodePage) { return text::WindowsCodePageTable(WindowsCodePageOf(dwgCodePage)); }

}  // namespace

int WindowsCodePageOf(int dwgCodePage) {
    switch (dwgCodePage) {
        case 28: return 1250;
        case 29: return 1251;
        case 30: return 1252;
        case 32: return 1253;
        case 33: return 1254;
        case 34: return 1255;
        case 35: return 1256;
        case 36: return 1257;
        case 37: return 874;
        case 44: return 1258;
        default: return 0;
    }
}

std::string DecodeText(const std::string& raw, int dwgCodePage, int* escapePage) {
    const char16_t* table = TableOf(dwgCodePage);
    if (!table) table = text::WindowsCodePageTable(1252);
    std::string out;
    out.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        auto b = static_cast<unsigned char>(raw[i]);
        if (b == 0) break;
        int page = 0;
        if (const char16_t m = text::ReadDoubleByteEscape(raw, i, page)) {
            AppendUtf8(out, m);
            if (escapePage) *escapePage = page;
            i += text::kDoubleByteEscapeSize - 1;
            continue;
        }
        int v = static_cast<int>(text::ReadUnicodeEscape(raw, i));
        if (v >= 0) {
            i += 6;
            // A character beyond U+FFFF is written as the two escapes of its
            // UTF-16 pair; a surrogate on its own is no character.
            if (v >= 0xD800 && v <= 0xDBFF) {
                int low = static_cast<int>(text::ReadUnicodeEscape(raw, i + 1));
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    AppendUtf8(out, 0x10000u + ((static_cast<std::uint32_t>(v) - 0xD800u) << 10) +
                                        (static_cast<std::uint32_t>(low) - 0xDC00u));
                    i += 7;
                    continue;
                }
            }
            bool surrogate = v >= 0xD800 && v <= 0xDFFF;
            AppendUtf8(out, surrogate ? 0xFFFDu : static_cast<std::uint32_t>(v));
            continue;
        }
        AppendUtf8(out, b < 0x80 ? b : CharacterOf(table, b));
    }
    return out;
}

std::string EncodeText(const std::string& utf8, int dwgCodePage, int escapePage) {
    // With a page we do not carry (a multi-byte one, say), every character
    // outside ASCII is written as an escape, which any reader understands.
    const char16_t* table = TableOf(dwgCodePage);
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t read = 0;
        const std::size_t len = text::ReadUtf8(utf8, i, read);
        std::uint32_t cp = len ? read : 0xFFFDu;  // a byte that is no UTF-8 stands for no character
        i += len ? len : 1;
        if (cp < 0x80) {
            out += static_cast<char>(cp);
            continue;
        }
        bool found = false;
        for (int k = 0; table && k < 128 && cp <= 0xFFFF; ++k) {
            if (CharacterOf(table, static_cast<unsigned char>(0x80 + k)) == cp) {
                out += static_cast<char>(0x80 + k);
                found = true;
                break;
            }
        }
        if (found) continue;
        if (escapePage && cp <= 0xFFFF && text::AppendDoubleByteEscape(out, escapePage, static_cast<char16_t>(cp))) {
            continue;
        }
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;  // no character
        if (cp > 0xFFFF) {
            // An escape holds four hex digits: a character beyond them goes
            // as its UTF-16 pair.
            text::AppendUnicodeEscape(out, 0xD800 + ((cp - 0x10000) >> 10));
            text::AppendUnicodeEscape(out, 0xDC00 + ((cp - 0x10000) & 0x3FF));
            continue;
        }
        text::AppendUnicodeEscape(out, cp);
    }
    return out;
}

std::string WideToUtf8(const std::u16string& wide) {
    // Most texts are ASCII: those characters go over as they are.
    std::size_t ascii = 0;
    while (ascii < wide.size() && wide[ascii] < 0x80) ++ascii;
    std::string out(ascii, '\0');
    for (std::size_t i = 0; i < ascii; ++i) out[i] = static_cast<char>(wide[i]);
    if (ascii == wide.size()) return out;
    out.reserve(wide.size() + (wide.size() - ascii) * 2);
    for (std::size_t i = ascii; i < wide.size(); ++i) {
        std::uint32_t c = wide[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF) {
            c = 0x10000u + ((c - 0xD800u) << 10) + (static_cast<std::uint32_t>(wide[++i]) - 0xDC00u);
        }
        AppendUtf8(out, c);  // a lone surrogate as its three bytes
    }
    return out;
}

std::u16string Utf8ToWide(const std::string& utf8) {
    std::size_t ascii = 0;
    while (ascii < utf8.size() && static_cast<unsigned char>(utf8[ascii]) < 0x80) ++ascii;
    std::u16string out(ascii, u'\0');
    for (std::size_t i = 0; i < ascii; ++i) out[i] = static_cast<char16_t>(utf8[i]);
    if (ascii == utf8.size()) return out;
    out.reserve(utf8.size());
    for (std::size_t i = ascii; i < utf8.size();) {
        // A three-byte surrogate is taken as it is, which ReadUtf8 refuses.
        auto b = static_cast<unsigned char>(utf8[i]);
        if (b == 0xED && utf8.size() - i > 2) {
            auto b1 = static_cast<unsigned char>(utf8[i + 1]), b2 = static_cast<unsigned char>(utf8[i + 2]);
            if (b1 >= 0xA0 && b1 <= 0xBF && (b2 & 0xC0) == 0x80) {
                out += static_cast<char16_t>(0xD000u | ((b1 & 0x3Fu) << 6) | (b2 & 0x3Fu));
                i += 3;
                continue;
            }
        }
        char32_t read = 0;
        const std::size_t len = text::ReadUtf8(utf8, i, read);
        const std::uint32_t cp = len ? read : b;  // a byte that is no UTF-8 stands for itself
        i += len ? len : 1;
        if (cp > 0xFFFF) {
            out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

std::string DecodeWideText(const std::string& held) {
    const std::size_t end = std::min(held.find('\0'), held.size());
    // ASCII holds no surrogate to replace.
    if (text::IsAscii(std::string_view(held).substr(0, end))) return held.substr(0, end);
    std::u16string wide = Utf8ToWide(held.substr(0, end));
    for (std::size_t i = 0; i < wide.size(); ++i) {
        const bool high = wide[i] >= 0xD800 && wide[i] <= 0xDBFF;
        if (high && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF) {
            ++i;
        } else if (high || (wide[i] >= 0xDC00 && wide[i] <= 0xDFFF)) {
            wide[i] = 0xFFFD;  // a surrogate on its own is no character
        }
    }
    return WideToUtf8(wide);
}

}  // namespace kel::dwg
