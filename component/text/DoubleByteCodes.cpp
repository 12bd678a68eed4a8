#include <array>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "component/text/DoubleBytePages.h"
#include "component/text/UnicodeEscape.h"
#include "component/text/Utf8.h"

namespace kel::text {
namespace {

constexpr int kEscapePages[] = {932, 950, 949, 936, 1361};  // \M+1 .. \M+5
constexpr unsigned kTrailFirst = 0x40, kTrailLast = 0xFE, kTrails = kTrailLast - kTrailFirst + 1;

// One page unpacked: characters by code, and codes by character.
struct Unpacked {
    int codePage = 0;
    unsigned firstLead = 0, lastLead = 0;
    std::vector<char16_t> chars;
    std::unordered_map<char16_t, std::uint16_t> codes;
};

Unpacked Unpack(const detail::DoubleBytePage& page) {
    Unpacked u;
    u.codePage = page.codePage;
    u.firstLead = page.firstLead;
    u.lastLead = page.lastLead;
    u.chars.assign((u.lastLead - u.firstLead + 1) * kTrails, 0);
    for (unsigned lead = u.firstLead; lead <= u.lastLead; ++lead) {
        std::string_view row = page.rows[lead - u.firstLead];
        std::size_t at = 0;
        for (unsigned trail = 0; trail < kTrails && at < row.size(); ++trail) {
            char32_t c = 0;
            const std::size_t len = ReadUtf8(row, at, c);
            if (len == 0) break;
            at += len;
            if (c == '?') continue;
            const auto code = static_cast<std::uint16_t>(lead << 8 | (kTrailFirst + trail));
            u.chars[(lead - u.firstLead) * kTrails + trail] = static_cast<char16_t>(c);
            u.codes.emplace(static_cast<char16_t>(c), code);  // the first code of a character wins
        }
    }
    return u;
}

// A page is unpacked the first time it is asked for.
const Unpacked* PageOf(int codePage) {
    constexpr int kMaxPages = 8;
    static std::array<std::once_flag, kMaxPages> once;
    static std::array<Unpacked, kMaxPages> pages;
    for (int i = 0; i < detail::kDoubleBytePageCount && i < kMaxPages; ++i) {
        if (detail::kDoubleBytePages[i].codePage != codePage) continue;
        std::call_once(once[i], [i] { pages[i] = Unpack(detail::kDoubleBytePages[i]); });
        return &pages[i];
    }
    return nullptr;
}

}  // namespace

int EscapePageNumber(int n) { return n >= 1 && n <= 5 ? kEscapePages[n - 1] : 0; }

int EscapePageOf(int codePage) {
    for (int n = 1; n <= 5; ++n) {
        if (kEscapePages[n - 1] == codePage) return n;
    }
    return 0;
}

char16_t DoubleByteCharacter(int codePage, std::uint16_t code) {
    const Unpacked* p = PageOf(codePage);
    const unsigned lead = code >> 8, trail = code & 0xFF;
    if (!p || lead < p->firstLead || lead > p->lastLead || trail < kTrailFirst || trail > kTrailLast) return 0;
    return p->chars[(lead - p->firstLead) * kTrails + (trail - kTrailFirst)];
}

std::uint16_t DoubleByteCode(int codePage, char16_t c) {
    const Unpacked* p = PageOf(codePage);
    if (!p) return 0;
    auto it = p->codes.find(c);
    return it == p->codes.end() ? 0 : it->second;
}

char16_t ReadDoubleByteEscape(std::string_view text, std::size_t i, int& page) {
    if (i >= text.size() || text.size() - i < kDoubleByteEscapeSize || text[i] != '\\' ||
        (text[i + 1] != 'M' && text[i + 1] != 'm') || text[i + 2] != '+') {
        return 0;
    }
    const int n = text[i + 3] - '0';
    std::uint16_t code = 0;
    for (std::size_t k = 4; k < 8; ++k) {
        const int h = HexDigit(text[i + k]);
        if (h < 0) return 0;
        code = static_cast<std::uint16_t>(code * 16 + h);
    }
    const char16_t c = DoubleByteCharacter(EscapePageNumber(n), code);
    if (c) page = n;
    return c;
}

bool AppendDoubleByteEscape(std::string& out, int page, char16_t c) {
    const std::uint16_t code = DoubleByteCode(EscapePageNumber(page), c);
    if (!code) return false;
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += "\\M+";
    out += static_cast<char>('0' + page);
    for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(code >> shift) & 0xF];
    return true;
}

}  // namespace kel::text
