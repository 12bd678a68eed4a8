#include "component/dwg/DwgXrecordText.h"

#include "component/ByteOrder.h"
#include "component/dwg/DwgText.h"

namespace kel::dwg {
namespace {

enum class Kind { kUnknown, kText, kPoint, kDouble, kInt8, kInt16, kInt32, kInt64, kHandle, kBinary };

// The value kinds of the group code ranges, as xrecords store them.
Kind KindOf(int code) {
    if ((code >= 0 && code <= 9) || (code >= 100 && code <= 109) || (code >= 300 && code <= 309) ||
        (code >= 410 && code <= 419) || (code >= 430 && code <= 439) || (code >= 470 && code <= 479) ||
        code == 999 || (code >= 1000 && code <= 1009 && code != 1004)) {
        return Kind::kText;
    }
    if ((code >= 10 && code <= 18) || (code >= 110 && code <= 112) || code == 210 ||
        (code >= 1010 && code <= 1013)) {
        return Kind::kPoint;
    }
    if ((code >= 19 && code <= 59) || (code >= 113 && code <= 149) || (code >= 211 && code <= 239) ||
        (code >= 460 && code <= 469) || (code >= 1014 && code <= 1059)) {
        return Kind::kDouble;
    }
    if ((code >= 60 && code <= 79) || (code >= 170 && code <= 179) || (code >= 270 && code <= 279) ||
        (code >= 370 && code <= 389) || (code >= 400 && code <= 409) || (code >= 1060 && code <= 1070)) {
        return Kind::kInt16;
    }
    if ((code >= 280 && code <= 299)) return Kind::kInt8;
    if ((code >= 90 && code <= 99) || (code >= 420 && code <= 429) || (code >= 440 && code <= 459) ||
        code == 1071) {
        return Kind::kInt32;
    }
    if (code >= 160 && code <= 169) return Kind::kInt64;
    if ((code >= 320 && code <= 369) || (code >= 390 && code <= 399) || (code >= 480 && code <= 481)) {
        return Kind::kHandle;
    }
    if ((code >= 310 && code <= 319) || code == 1004) return Kind::kBinary;
    return Kind::kUnknown;
}

std::size_t FixedSize(Kind k) {
    switch (k) {
        case Kind::kPoint: return 24;
        case Kind::kDouble: return 8;
        case Kind::kInt8: return 1;
        case Kind::kInt16: return 2;
        case Kind::kInt32: return 4;
        case Kind::kInt64:
        case Kind::kHandle: return 8;
        default: return 0;
    }
}

std::string Pair(int code, const std::string& text, Version v, std::uint8_t codePage) {
    std::string out;
    AppendLittleEndian(out, static_cast<std::uint16_t>(code), 2);
    if (AtLeast(v, Version::R2007)) {
        const std::u16string wide = Utf8ToWide(text);
        AppendLittleEndian(out, wide.size(), 2);
        for (char16_t c : wide) AppendLittleEndian(out, c, 2);
    } else {
        AppendLittleEndian(out, text.size(), 2);
        out += static_cast<char>(codePage);
        out += text;
    }
    return out;
}

}  // namespace

bool ParseXrecordPairs(std::string_view data, Version v, std::vector<XrecordPair>& pairs) {
    pairs.clear();
    const bool wide = AtLeast(v, Version::R2007);
    std::size_t at = 0;
    while (at < data.size()) {
        if (data.size() - at < 2) return false;
        XrecordPair p;
        p.start = at;
        p.code = ReadLittleEndian<std::int16_t>(data, at);
        at += 2;
        const Kind kind = KindOf(p.code);
        std::size_t size = FixedSize(kind);
        if (kind == Kind::kText) {
            if (data.size() - at < 2) return false;
            const std::size_t length = ReadLittleEndian<std::uint16_t>(data, at);
            at += 2;
            size = wide ? 2 * length : length + 1;  // code page texts carry their code page byte
            if (data.size() - at < size) return false;
            p.isText = true;
            if (wide) {
                std::u16string units(length, u'\0');
                for (std::size_t i = 0; i < length; ++i) units[i] = ReadLittleEndian<std::uint16_t>(data, at + 2 * i);
                p.text = WideToUtf8(units);
            } else {
                p.text = std::string(data.substr(at + 1, length));
            }
        } else if (kind == Kind::kBinary) {
            if (data.size() - at < 1) return false;
            size = 1 + static_cast<std::uint8_t>(data[at]);
        } else if (kind == Kind::kUnknown) {
            return false;
        }
        if (data.size() - at < size) return false;
        at += size;
        p.end = at;
        pairs.push_back(std::move(p));
    }
    return true;
}

EmbeddedText FindEmbeddedText(const std::vector<XrecordPair>& pairs) {
    EmbeddedText found;
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        if (pairs[i].code != 1 || CutAtNul(pairs[i].text) != "Embedded Object") continue;
        for (std::size_t k = i + 1; k < pairs.size(); ++k) {
            if (pairs[k].code == 3 && found.first == 0) found.first = k;
            if (pairs[k].code == 1) {
                if (found.first == 0) found.first = k;
                found.last = k + 1;
                return found;
            }
            if (pairs[k].code != 3 && found.first != 0) break;  // groups 3 run up to the closing group 1
        }
        return EmbeddedText{};
    }
    return found;
}

std::string EncodeTextPairs(const std::string& text, Version v, std::uint8_t codePage) {
    constexpr std::size_t kChunk = 250;
    std::string out;
    if (AtLeast(v, Version::R2007)) {
        const std::u16string wide = Utf8ToWide(text);
        std::size_t at = 0;
        while (wide.size() - at > kChunk) {
            std::size_t n = kChunk;
            if (wide[at + n - 1] >= 0xD800 && wide[at + n - 1] <= 0xDBFF) --n;  // keep a surrogate pair whole
            out += Pair(3, WideToUtf8(wide.substr(at, n)), v, codePage);
            at += n;
        }
        return out + Pair(1, WideToUtf8(wide.substr(at)), v, codePage);
    }
    std::size_t at = 0;
    while (text.size() - at > kChunk) {
        out += Pair(3, text.substr(at, kChunk), v, codePage);
        at += kChunk;
    }
    return out + Pair(1, text.substr(at), v, codePage);
}

std::uint8_t TextCodePageByte(std::string_view data, const std::vector<XrecordPair>& pairs) {
    for (const XrecordPair& p : pairs) {
        if (p.isText && p.start + 4 < data.size()) return static_cast<std::uint8_t>(data[p.start + 4]);
    }
    return 0;
}

}  // namespace kel::dwg
