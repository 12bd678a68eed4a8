#include "component/dxf/DxfText.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <utility>
#include <vector>

#include "component/text/CodePages.h"
#include "component/text/DoubleBytePages.h"
#include "component/text/UnicodeEscape.h"
#include "component/text/Utf8.h"

namespace kel::dxf {
namespace {

using text::AppendUtf8;
using text::ReadUtf8;

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

}  // namespace

TextCodec::TextCodec(std::string_view acadVer, std::string_view dwgCodePage) {
    // AC1021 and later files are UTF-8 whatever $DWGCODEPAGE says.
    if (acadVer.size() == 6 && EqualsNoCase(acadVer.substr(0, 2), "AC") && acadVer.substr(2) >= "1021") {
        utf8_ = true;
        return;
    }
    table_ = text::CodePageTable(dwgCodePage.empty() ? std::string_view("ANSI_1252") : dwgCodePage);
    for (int page : {932, 936, 949, 950, 1361}) {
        if (EqualsNoCase(dwgCodePage, "ANSI_" + std::to_string(page))) doubleBytePage_ = page;
    }
}

bool TextCodec::IsPlain(std::string_view raw) {
    return std::all_of(raw.begin(), raw.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x80 && c != '\\' && c != '^';
    });
}

std::string TextCodec::Decode(std::string_view raw) const {
    // Most values are plain ASCII without escapes, which read as they are in
    // every code page.
    if (IsPlain(raw)) return std::string(raw);
    std::string out;
    out.reserve(raw.size());
    char16_t pendingHigh = 0;  // a high surrogate from \U+D8xx waiting for its pair
    for (std::size_t i = 0; i < raw.size();) {
        char c = raw[i];
        auto b = static_cast<unsigned char>(c);
        if (c == '\\') {
            int page = 0;
            if (const char16_t m = text::ReadDoubleByteEscape(raw, i, page)) {
                if (pendingHigh) { AppendUtf8(out, 0xFFFD); pendingHigh = 0; }
                AppendUtf8(out, m);
                escapePage_ = page;
                i += text::kDoubleByteEscapeSize;
                continue;
            }
            long unit = text::ReadUnicodeEscape(raw, i);
            if (unit >= 0) {
                i += 7;
                if (unit >= 0xD800 && unit <= 0xDBFF) {
                    if (pendingHigh) AppendUtf8(out, 0xFFFD);
                    pendingHigh = static_cast<char16_t>(unit);
                    continue;
                }
                if (unit >= 0xDC00 && unit <= 0xDFFF) {
                    if (pendingHigh) {
                        AppendUtf8(out, 0x10000 + ((pendingHigh - 0xD800) << 10) + (unit - 0xDC00));
                        pendingHigh = 0;
                    } else {
                        AppendUtf8(out, 0xFFFD);
                    }
                    continue;
                }
                if (pendingHigh) { AppendUtf8(out, 0xFFFD); pendingHigh = 0; }
                AppendUtf8(out, static_cast<char32_t>(unit));
                continue;
            }
        }
        if (pendingHigh) { AppendUtf8(out, 0xFFFD); pendingHigh = 0; }
        if (c == '^' && i + 1 < raw.size()) {
            char n = raw[i + 1];
            if (n == ' ') { out += '^'; i += 2; continue; }
            if (n >= '@' && n <= '_') { out += static_cast<char>(n - '@'); i += 2; continue; }
        }
        if (b < 0x80) { out += c; ++i; continue; }
        if (table_) {
            AppendUtf8(out, table_[b - 0x80]);
            ++i;
            continue;
        }
        if (doubleBytePage_ && i + 1 < raw.size()) {
            const auto code = static_cast<std::uint16_t>(b << 8 | static_cast<unsigned char>(raw[i + 1]));
            if (const char16_t m = text::DoubleByteCharacter(doubleBytePage_, code)) {
                AppendUtf8(out, m);
                i += 2;
                continue;
            }
        }
        // UTF-8 files, and pages we carry no table for: take well-formed UTF-8 as it is,
        // and show any other byte as its Windows-1252 character rather than dropping it.
        char32_t cp;
        std::size_t len = ReadUtf8(raw, i, cp);
        if (len) {
            out.append(raw.substr(i, len));
            i += len;
        } else {
            static const char16_t* const kFallback = text::CodePageTable("ANSI_1252");
            AppendUtf8(out, kFallback[b - 0x80]);
            ++i;
        }
    }
    if (pendingHigh) AppendUtf8(out, 0xFFFD);
    return out;
}

std::string TextCodec::Encode(std::string_view utf8) const {
    // Printable ASCII other than the caret is written as it is in every code page.
    if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return c >= 0x20 && c < 0x7F && c != '^'; })) {
        return std::string(utf8);
    }
    std::string out;
    out.reserve(utf8.size() + 8);
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t cp;
        std::size_t len = ReadUtf8(utf8, i, cp);
        if (len == 0) {  // not UTF-8: replace the byte
            cp = 0xFFFD;
            len = 1;
        }
        if (cp < 0x20) {
            out += '^';
            out += static_cast<char>(cp + '@');
        } else if (cp == '^') {
            out += "^ ";
        } else if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (utf8_) {
            AppendUtf8(out, cp);
        } else {
            bool found = false;
            if (const std::uint16_t code = doubleBytePage_ && cp < 0x10000
                                               ? text::DoubleByteCode(doubleBytePage_, static_cast<char16_t>(cp))
                                               : 0) {
                out += static_cast<char>(code >> 8);
                out += static_cast<char>(code & 0xFF);
                found = true;
            }
            if (!found && table_ && cp < 0x10000 && cp != 0xFFFD) {
                for (int k = 0; k < 128; ++k) {
                    if (table_[k] == cp) {
                        out += static_cast<char>(0x80 + k);
                        found = true;
                        break;
                    }
                }
            }
            if (!found && escapePage_ && cp < 0x10000) {
                found = text::AppendDoubleByteEscape(out, escapePage_, static_cast<char16_t>(cp));
            }
            if (!found) {
                if (cp >= 0x10000) {
                    char32_t v = cp - 0x10000;
                    text::AppendUnicodeEscape(out, 0xD800 + (v >> 10));
                    text::AppendUnicodeEscape(out, 0xDC00 + (v & 0x3FF));
                } else {
                    text::AppendUnicodeEscape(out, cp);
                }
            }
        }
        i += len;
    }
    return out;
}

std::string MTextToPlain(std::string_view text, std::vector<std::pair<std::size_t, std::size_t>>* sources) {
    std::string out;
    out.reserve(text.size());
    // Appends plain bytes that come from text[from, to).
    auto put = [&](std::string_view bytes, std::size_t from, std::size_t to) {
        out += bytes;
        if (sources) sources->insert(sources->end(), bytes.size(), {from, to});
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t at = i;
        char c = text[i];
        if (c == '{' || c == '}') continue;
        if (c != '\\' || i + 1 >= text.size()) {
            put(std::string_view(&text[i], 1), at, at + 1);
            continue;
        }
        char k = text[++i];
        switch (k) {
            case 'P': case 'N': put("\n", at, i + 1); break;
            case '\\': case '{': case '}': put(text.substr(i, 1), at, i + 1); break;
            case '~': put(" ", at, i + 1); break;
            case 'L': case 'l': case 'O': case 'o': case 'K': case 'k': break;
            case 'S': {  // stacked text up to ';': numerator and denominator with a slash
                std::size_t j = i + 1;
                std::string stacked;
                for (; j < text.size() && text[j] != ';'; ++j) {
                    char s = text[j];
                    stacked += (s == '^' || s == '#') ? '/' : s;
                }
                i = j;
                put(stacked, at, std::min(j + 1, text.size()));
                break;
            }
            case 'A': case 'C': case 'c': case 'F': case 'f': case 'H': case 'Q':
            case 'T': case 'W': case 'p': {  // formatting with an argument ending at ';'
                std::size_t j = i + 1;
                while (j < text.size() && text[j] != ';') ++j;
                i = j;
                break;
            }
            default: put(text.substr(at, 2), at, i + 1); break;
        }
    }
    return out;
}

std::string EditMText(std::string_view mtext, std::string_view plain) {
    std::vector<std::pair<std::size_t, std::size_t>> src;
    const std::string old = MTextToPlain(mtext, &src);
    if (old == plain) return std::string(mtext);
    // The part that changed: what lies between the common start and end,
    // widened to whole characters and to whole codes of the MTEXT string.
    std::size_t p = 0, s = 0;
    while (p < old.size() && p < plain.size() && old[p] == plain[p]) ++p;
    while (s < old.size() - p && s < plain.size() - p && old[old.size() - 1 - s] == plain[plain.size() - 1 - s]) ++s;
    auto continuation = [](std::string_view t, std::size_t i) {
        return i < t.size() && (static_cast<unsigned char>(t[i]) & 0xC0) == 0x80;
    };
    for (;;) {
        const std::size_t before = p + s;
        while (p > 0 && (continuation(old, p) || continuation(plain, p))) --p;
        while (s > 0 && (continuation(old, old.size() - s) || continuation(plain, plain.size() - s))) --s;
        while (p > 0 && p < old.size() && src[p - 1] == src[p]) --p;
        while (s > 0 && s < old.size() && src[old.size() - s] == src[old.size() - s - 1]) --s;
        if (p + s == before) break;
    }
    std::size_t from, to;
    if (p < old.size() - s) {
        from = src[p].first;
        to = src[old.size() - s - 1].second;
    } else {  // nothing removed: the new text goes in after the common start
        from = to = p > 0 ? src[p - 1].second : old.empty() ? mtext.size() : src[0].first;
    }
    std::string out(mtext.substr(0, from));
    out += PlainToMText(plain.substr(p, plain.size() - s - p));
    out += mtext.substr(to);
    return out;
}

std::string PlainToMText(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '{': out += "\\{"; break;
            case '}': out += "\\}"; break;
            case '\r':
                if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
                out += "\\P";
                break;
            case '\n': out += "\\P"; break;
            default: out += c;
        }
    }
    return out;
}

}  // namespace kel::dxf
