#include "component/dxf/DxfTokenizer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstring>

#include "component/ByteOrder.h"

namespace kel::dxf {
namespace {

constexpr int kMaxCode = 1071;  // the highest group code in use

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// Where the first byte equal to c lies among the 8 bytes at p (8 when none),
// found in one step over the word they make: a byte equal to c becomes zero,
// and subtracting 1 from every byte sets the top bit of the lowest zero byte
// first (the borrow only disturbs the bytes above it).
unsigned FirstOfEight(const char* p, char c) {
    const std::uint64_t x = ReadLittleEndian<std::uint64_t>(p) ^ (0x0101010101010101ull * static_cast<unsigned char>(c));
    const std::uint64_t zero = (x - 0x0101010101010101ull) & ~x & 0x8080808080808080ull;
    return zero ? static_cast<unsigned>(std::countr_zero(zero)) / 8 : 8;
}

// How many of the n bytes at p are c, eight at a time: in x, a byte that is c
// is zero, and adding 0x7F to each byte's low seven bits sets the top bit of
// every byte but those (no carry crosses a byte). The matches, one per byte,
// are summed bytewise for up to 255 words before the bytes are added up.
std::size_t CountOf(const char* p, std::size_t n, char c) {
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    const std::uint64_t pattern = kOnes * static_cast<unsigned char>(c);
    std::size_t count = 0, i = 0;
    while (i + 8 <= n) {
        std::uint64_t sums = 0;
        for (int k = 0; k < 255 && i + 8 <= n; ++k, i += 8) {
            const std::uint64_t x = ReadLittleEndian<std::uint64_t>(p + i) ^ pattern;
            sums += (~(((x & kLow7) + kLow7) | x | kLow7)) >> 7;
        }
        // Eight sums of up to 255 added up in 16-bit lanes.
        constexpr std::uint64_t kEven = 0x00FF00FF00FF00FFull;
        const std::uint64_t pairs = (sums & kEven) + ((sums >> 8) & kEven);
        count += static_cast<std::size_t>((pairs * 0x0001000100010001ull) >> 48);
    }
    for (; i < n; ++i) count += p[i] == c ? 1 : 0;
    return count;
}

std::size_t FixedSize(ValueKind kind) {
    switch (kind) {
        case ValueKind::Double: return 8;
        case ValueKind::Int16: return 2;
        case ValueKind::Int32: return 4;
        case ValueKind::Int64: return 8;
        case ValueKind::Bool: return 1;
        default: return 0;
    }
}

// A real value as an integer; 0 when it is not a number or lies outside the
// 64-bit range (converting such a value is undefined).
std::int64_t RealToInteger(double d) {
    if (!(d > -9.2e18 && d < 9.2e18)) return 0;
    return static_cast<std::int64_t>(d);
}

// The kind of value a group code holds, as the DXF reference assigns them.
constexpr ValueKind KindRule(int code) {
    if (code >= 10 && code <= 59) return ValueKind::Double;
    if (code >= 60 && code <= 79) return ValueKind::Int16;
    if (code >= 90 && code <= 99) return ValueKind::Int32;
    if (code >= 110 && code <= 149) return ValueKind::Double;
    if (code >= 160 && code <= 169) return ValueKind::Int64;
    if (code >= 170 && code <= 179) return ValueKind::Int16;
    if (code >= 210 && code <= 239) return ValueKind::Double;
    if (code >= 270 && code <= 289) return ValueKind::Int16;
    if (code >= 290 && code <= 299) return ValueKind::Bool;
    if (code >= 310 && code <= 319) return ValueKind::Chunk;
    if (code >= 370 && code <= 389) return ValueKind::Int16;
    if (code >= 400 && code <= 409) return ValueKind::Int16;
    if (code >= 420 && code <= 429) return ValueKind::Int32;
    if (code >= 440 && code <= 459) return ValueKind::Int32;
    if (code >= 460 && code <= 469) return ValueKind::Double;
    if (code == 1004) return ValueKind::Chunk;
    if (code >= 1010 && code <= 1059) return ValueKind::Double;
    if (code >= 1060 && code <= 1070) return ValueKind::Int16;
    if (code == 1071) return ValueKind::Int32;
    return ValueKind::String;
}

// A number of at most 15 digits without an exponent ("-12.5", "0.0"), read
// as the digits over a power of ten. Both are exact as doubles, so their
// quotient is the correctly rounded value, the same as from_chars gives.
// Like from_chars, it reads as far as the number goes. False for anything
// else (no digit, an exponent, more digits), which from_chars then reads.
bool ShortDecimal(std::string_view t, double& value) {
    static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    std::size_t i = 0;
    const bool negative = !t.empty() && t[0] == '-';
    if (negative) ++i;
    std::uint64_t digits = 0;
    int count = 0, fraction = 0;
    bool point = false;
    for (; i < t.size(); ++i) {
        const char c = t[i];
        if (c >= '0' && c <= '9') {
            if (++count > 15) return false;
            digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
            fraction += point ? 1 : 0;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (count == 0 || (i < t.size() && (t[i] == 'e' || t[i] == 'E'))) return false;
    const double v = static_cast<double>(digits) / kPowers[fraction];
    value = negative ? -v : v;
    return true;
}

}  // namespace

ValueKind KindOfCode(int code) {
    // Every group code in use, looked up once per binary token.
    static constexpr auto kKinds = [] {
        std::array<ValueKind, kMaxCode + 1> kinds{};
        for (int c = 0; c <= kMaxCode; ++c) kinds[static_cast<std::size_t>(c)] = KindRule(c);
        return kinds;
    }();
    return code >= 0 && code <= kMaxCode ? kKinds[static_cast<std::size_t>(code)] : ValueKind::String;
}

std::string_view Trim(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && IsBlank(text[b])) ++b;
    while (e > b && IsBlank(text[e - 1])) --e;
    return text.substr(b, e - b);
}

bool LooksLikeDxf(std::string_view data) {
    if (data.substr(0, kBinarySentinel.size()) == kBinarySentinel) return true;
    if (data.substr(0, 3) == "\xEF\xBB\xBF") data.remove_prefix(3);
    DxfTokenizer tok(data);
    DxfToken t;
    if (!tok.Next(t)) return false;
    if (t.code == 999) {
        // Leading comments; the first real token decides.
        while (t.code == 999) {
            if (!tok.Next(t)) return false;
        }
    }
    return t.code == 0 && !Trim(t.value).empty();
}

DxfTokenizer::DxfTokenizer(std::string_view data) : data_(data) { Detect(); }

DxfTokenizer::DxfTokenizer(std::string first, DxfBytes more, std::size_t blockSize)
    : final_(!more), more_(std::move(more)), blockSize_(std::max<std::size_t>(blockSize, 1)), first_(std::move(first)) {
    // The kind of file and its line ends are told from its first bytes, read
    // on until they tell it as the whole file would.
    constexpr std::size_t kHead = 4096;
    const auto told = [&] {
        const std::string_view head = std::string_view(first_).substr(0, kHead);
        return head.size() >= kHead || (head.size() >= kBinarySentinel.size() + 2 &&
                                        (head.substr(0, kBinarySentinel.size()) == kBinarySentinel ||
                                         head.find('\n') != std::string_view::npos));
    };
    std::string why;
    while (!final_ && !told()) {
        const std::size_t had = first_.size();
        std::size_t got = 0;
        first_.resize(kHead);
        const bool read = more_(first_.data() + had, kHead - had, got, why);
        first_.resize(had + got);
        if (!read) error_ = "cannot read the file: " + why;
        if (!read || got == 0) {
            final_ = true;
            break;
        }
    }
    data_ = first_;
    Detect();
}

void DxfTokenizer::Detect() {
    if (data_.substr(0, kBinarySentinel.size()) == kBinarySentinel) {
        pos_ = kBinarySentinel.size();
        // A file starts with (0, "SECTION"): a 2-byte code shows as two zero bytes.
        bool twoByte = data_.size() > pos_ + 1 && data_[pos_] == 0 && data_[pos_ + 1] == 0;
        encoding_ = twoByte ? DxfEncoding::Binary2 : DxfEncoding::Binary1;
    } else {
        if (data_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = 3;
        // Lines end in LF or CR LF; files of some old systems end them in CR alone.
        std::string_view head = data_.substr(0, 4096);
        if (head.find('\n') == std::string_view::npos && head.find('\r') != std::string_view::npos) eol_ = '\r';
    }
}

bool DxfTokenizer::Fail(std::size_t pos, const char* what) {
    if (encoding_ == DxfEncoding::Ascii) {
        const std::size_t line = 1 + linesBefore_ + CountOf(data_.data(), pos, eol_);
        error_ = std::string(what) + " at line " + std::to_string(line);
    } else {
        error_ = std::string(what) + " at byte " + std::to_string(base_ + pos);
    }
    pos_ = data_.size();
    return false;
}

bool DxfTokenizer::Grow() {
    if (final_) return false;
    // Blocks that end before the first byte still in use go.
    while (!blocks_.empty() && blocks_.front().base + blocks_.front().size <= keepFrom_ &&
           blocks_.front().bytes.get() != data_.data()) {
        blocks_.pop_front();
    }
    if (keepFrom_ >= first_.size() && !first_.empty() && first_.data() != data_.data()) std::string().swap(first_);
    const std::size_t carried = data_.size() - pos_;
    const std::size_t size = std::max(blockSize_, 2 * carried);
    Block block;
    block.bytes = std::make_unique_for_overwrite<char[]>(size);
    block.base = base_ + pos_;
    if (carried > 0) std::memcpy(block.bytes.get(), data_.data() + pos_, carried);
    std::size_t filled = carried, got = 0;
    std::string why;
    while (filled < size) {
        if (!more_(block.bytes.get() + filled, size - filled, got, why)) {
            error_ = "cannot read the file: " + why;
            pos_ = data_.size();
            final_ = true;
            return false;
        }
        if (got == 0) {
            final_ = true;
            break;
        }
        filled += got;
    }
    if (encoding_ == DxfEncoding::Ascii) {
        linesBefore_ += CountOf(data_.data(), pos_, eol_);
    }
    block.size = filled;
    base_ = block.base;
    data_ = std::string_view(block.bytes.get(), filled);
    pos_ = 0;
    blocks_.push_back(std::move(block));
    return true;
}

bool DxfTokenizer::Next(DxfToken& token) {
    for (;;) {
        if (pos_ >= data_.size()) {
            if (!Grow()) return false;
            continue;
        }
        const std::size_t at = pos_;
        const bool ok = encoding_ == DxfEncoding::Ascii ? NextAscii(token) : NextBinary(token);
        if (!final_ && (!ok || token.end - base_ >= data_.size())) {
            // The token may go on past the bytes at hand.
            error_.clear();
            pos_ = at;
            if (!Grow()) return false;
            continue;
        }
        return ok;
    }
}

// The common token read in as few steps as possible: a group code line of
// spaces and one to four digits within its first nine bytes, and a value line
// of at most 23 bytes, well before the end of the data. Anything else is read
// by NextAsciiAnyLine, which reads every token this one reads the same way.
bool DxfTokenizer::NextAscii(DxfToken& token) {
    const std::size_t n = data_.size();
    const char* d = data_.data();
    const std::size_t start = pos_;
    if (n - start < 40) return NextAsciiAnyLine(token);
    std::size_t p = start;
    unsigned code = 0;
    // Most writers right-align codes below 1000 in three columns ("  0",
    // " 10", "330"): those are read from their three bytes.
    const unsigned c0 = static_cast<unsigned char>(d[p]) - '0', c1 = static_cast<unsigned char>(d[p + 1]) - '0',
                   c2 = static_cast<unsigned char>(d[p + 2]) - '0';
    constexpr unsigned kSpace = static_cast<unsigned char>(' ') - '0';
    if (c2 <= 9 && (c1 <= 9 ? (c0 <= 9 || c0 == kSpace) : (c1 == kSpace && c0 == kSpace))) {
        code = (c0 <= 9 ? c0 * 100 : 0) + (c1 <= 9 ? c1 * 10 : 0) + c2;
        p += 3;
    } else {
        const std::size_t limit = start + FirstOfEight(d + start, eol_);
        while (p < limit && d[p] == ' ') ++p;
        const std::size_t firstDigit = p;
        for (; p < limit && p - firstDigit < 4; ++p) {
            const unsigned digit = static_cast<unsigned char>(d[p]) - '0';
            if (digit > 9) break;
            code = code * 10 + digit;
        }
        if (p == firstDigit) return NextAsciiAnyLine(token);
    }
    if (d[p] == '\r' && eol_ != '\r') ++p;
    if (d[p] != eol_ || code > kMaxCode) return NextAsciiAnyLine(token);
    const std::size_t valueStart = p + 1;
    std::size_t lineEnd;
    if (const unsigned k = FirstOfEight(d + valueStart, eol_); k < 8) {
        lineEnd = valueStart + k;
    } else if (const unsigned k8 = FirstOfEight(d + valueStart + 8, eol_); k8 < 8) {
        lineEnd = valueStart + 8 + k8;
    } else if (const unsigned k16 = FirstOfEight(d + valueStart + 16, eol_); k16 < 8) {
        lineEnd = valueStart + 16 + k16;
    } else {
        return NextAsciiAnyLine(token);
    }
    const std::size_t valueEnd = lineEnd > valueStart && d[lineEnd - 1] == '\r' ? lineEnd - 1 : lineEnd;
    token.code = static_cast<int>(code);
    token.start = base_ + start;
    token.valueStart = base_ + valueStart;
    token.valueEnd = base_ + valueEnd;
    token.end = base_ + lineEnd + 1;
    token.value = std::string_view(d + valueStart, valueEnd - valueStart);
    pos_ = lineEnd + 1;
    return true;
}

bool DxfTokenizer::NextAsciiAnyLine(DxfToken& token) {
    const std::size_t n = data_.size();
    const char* d = data_.data();
    std::size_t start = pos_;
    // The group code line. Nearly all are spaces and a few digits, read in place;
    // anything else goes through the general path.
    int code = 0;
    std::size_t codeEnd = n;
    const void* nl = nullptr;
    {
        // The scan stops at the line's end when it lies among the first 8
        // bytes, found in one step.
        const std::size_t limit = n - start >= 8 ? start + FirstOfEight(d + start, eol_) : n;
        std::size_t p = start;
        while (p < limit && d[p] == ' ') ++p;
        const std::size_t firstDigit = p;
        while (p < limit && p - firstDigit < 4 && d[p] >= '0' && d[p] <= '9') code = code * 10 + (d[p++] - '0');
        if (p < limit && d[p] == '\r' && eol_ != '\r') ++p;
        if (p > firstDigit && p < n && d[p] == eol_ && code <= kMaxCode) {
            codeEnd = p;
            nl = d + p;
        }
    }
    if (!nl) {
        nl = std::memchr(d + start, eol_, n - start);
        codeEnd = nl ? static_cast<const char*>(nl) - d : n;
        std::string_view codeText = Trim(data_.substr(start, codeEnd - start));
        if (codeText.empty() && !nl) {
            pos_ = n;  // blanks at the very end
            return false;
        }
        code = 0;
        auto res = std::from_chars(codeText.data(), codeText.data() + codeText.size(), code);
        if (res.ec != std::errc() || res.ptr != codeText.data() + codeText.size() || code < 0 ||
            code > kMaxCode) {
            return Fail(start, "group code expected");
        }
        if (!nl) return Fail(start, "value missing");
    }
    std::size_t valueStart = codeEnd + 1;
    // Value lines are short as a rule: a few bytes are looked at in place
    // before the general search takes over.
    const void* nl2 = nullptr;
    const std::size_t nearEnd = std::min(n, valueStart + 24);
    if (nearEnd == valueStart + 24) {
        for (std::size_t p = valueStart; p < nearEnd; p += 8) {
            const unsigned k = FirstOfEight(d + p, eol_);
            if (k < 8) {
                nl2 = d + p + k;
                break;
            }
        }
    } else {
        for (std::size_t p = valueStart; p < nearEnd; ++p) {
            if (d[p] == eol_) {
                nl2 = d + p;
                break;
            }
        }
    }
    if (!nl2 && nearEnd < n) nl2 = std::memchr(d + nearEnd, eol_, n - nearEnd);
    std::size_t lineEnd = nl2 ? static_cast<const char*>(nl2) - d : n;
    std::size_t valueEnd = lineEnd;
    if (valueEnd > valueStart && d[valueEnd - 1] == '\r') --valueEnd;
    token.code = code;
    token.start = base_ + start;
    token.valueStart = base_ + valueStart;
    token.valueEnd = base_ + valueEnd;
    pos_ = nl2 ? lineEnd + 1 : n;
    token.end = base_ + pos_;
    token.value = data_.substr(valueStart, valueEnd - valueStart);
    return true;
}

bool DxfTokenizer::NextBinary(DxfToken& token) {
    const std::size_t n = data_.size();
    const char* d = data_.data();
    std::size_t p = pos_;
    std::size_t start = p;
    int code;
    if (encoding_ == DxfEncoding::Binary2) {
        if (p + 2 > n) return Fail(p, "truncated group code");
        code = ReadLittleEndian<std::uint16_t>(d + p);
        p += 2;
    } else {
        code = static_cast<unsigned char>(d[p]);
        p += 1;
        if (code == 255) {
            if (p + 2 > n) return Fail(p, "truncated group code");
            code = ReadLittleEndian<std::uint16_t>(d + p);
            p += 2;
        }
    }
    if (code > kMaxCode) return Fail(start, "unknown group code");  // also a sign of lost alignment
    ValueKind kind = KindOfCode(code);
    std::size_t valueStart = p, valueEnd, end;
    if (kind == ValueKind::String) {
        // Strings are short as a rule: their first 16 bytes are looked at in
        // place before the general search.
        const void* z = nullptr;
        if (n - p >= 16) {
            if (const unsigned k = FirstOfEight(d + p, '\0'); k < 8) {
                z = d + p + k;
            } else if (const unsigned k8 = FirstOfEight(d + p + 8, '\0'); k8 < 8) {
                z = d + p + 8 + k8;
            }
        }
        if (!z) z = std::memchr(d + p, '\0', n - p);
        if (!z) return Fail(start, "unterminated string");
        valueEnd = static_cast<const char*>(z) - d;
        end = valueEnd + 1;
    } else if (kind == ValueKind::Chunk) {
        if (p >= n) return Fail(start, "truncated binary chunk");
        std::size_t len = static_cast<unsigned char>(d[p]);
        valueStart = p + 1;
        valueEnd = valueStart + len;
        if (valueEnd > n) return Fail(start, "truncated binary chunk");
        end = valueEnd;
    } else {
        std::size_t size = FixedSize(kind);
        valueEnd = p + size;
        if (valueEnd > n) return Fail(start, "truncated value");
        end = valueEnd;
    }
    token.code = code;
    token.start = base_ + start;
    token.valueStart = base_ + valueStart;
    token.valueEnd = base_ + valueEnd;
    token.end = base_ + end;
    token.value = data_.substr(valueStart, valueEnd - valueStart);
    pos_ = end;
    return true;
}

double DxfTokenizer::Double(const DxfToken& token) const {
    if (encoding_ != DxfEncoding::Ascii) {
        switch (KindOfCode(token.code)) {
            case ValueKind::Double:
                return token.value.size() == 8 ? ReadLittleEndian<double>(token.value.data()) : 0.0;
            case ValueKind::String: break;
            default: return static_cast<double>(Integer(token));
        }
    }
    std::string_view t = Trim(token.value);
    double v = 0;
    if (ShortDecimal(t, v)) return v;
    auto res = std::from_chars(t.data(), t.data() + t.size(), v);
    return res.ec == std::errc() ? v : 0.0;
}

std::int64_t DxfTokenizer::Integer(const DxfToken& token) const {
    if (encoding_ != DxfEncoding::Ascii) {
        const char* p = token.value.data();
        switch (KindOfCode(token.code)) {
            case ValueKind::Int16: return token.value.size() == 2 ? ReadLittleEndian<std::int16_t>(p) : 0;
            case ValueKind::Int32: return token.value.size() == 4 ? ReadLittleEndian<std::int32_t>(p) : 0;
            case ValueKind::Int64: return token.value.size() == 8 ? ReadLittleEndian<std::int64_t>(p) : 0;
            case ValueKind::Bool: return token.value.size() == 1 ? static_cast<unsigned char>(p[0]) : 0;
            case ValueKind::Double: return RealToInteger(Double(token));
            default: break;
        }
    }
    std::string_view t = Trim(token.value);
    if (!t.empty() && t.front() == '+') t.remove_prefix(1);
    std::int64_t v = 0;
    auto res = std::from_chars(t.data(), t.data() + t.size(), v);
    if (res.ec == std::errc()) return v;
    double dv = 0;  // some writers give integers as "1.0"
    auto r2 = std::from_chars(t.data(), t.data() + t.size(), dv);
    return r2.ec == std::errc() ? RealToInteger(dv) : 0;
}

}  // namespace kel::dxf
