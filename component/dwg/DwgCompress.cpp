#include "component/dwg/DwgCompress.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "component/ByteOrder.h"
#include "component/dwg/TwoThreads.h"

namespace kel::dwg {
namespace {

// How far back each opcode family reaches (the distance is the stored offset + 1).
constexpr std::size_t kNearReach = 0x400;   // 0x40-0xFF: 3 to 14 bytes, one offset byte
constexpr std::size_t kMidReach = 0x4000;   // 0x20-0x3F: two offset bytes
constexpr std::size_t kFarReach = 0x7FFF;   // 0x10-0x17: two offset bytes plus 0x3FFF, 4 bytes and more
// The far opcodes 0x18-0x1F would say 10 to 17 bytes by the format's
// description, but other readers take their bit 3 for part of the offset
// (drawings as the format's own programs write them never use them): longer
// far copies take opcode 0x10 with a long count instead.
constexpr std::size_t kFarShortCount = 9;
constexpr std::size_t kFirstLiterals = 4;   // the shortest opening literal run
constexpr int kHashBits = 15;
// Hash chain entries tried per position. Four keep every corpus drawing's
// pages 3 to 12 % smaller than its own writer stored them and 0.3 to 7 %
// (mostly about 1.5 %) larger than 48 tries would, and compress 1.5 to 1.9
// times as fast.
constexpr int kMaxCandidates = 4;

// The stream is written through a pointer into a buffer of the thread's own,
// whose room is made before each token: no byte is appended one at a time,
// and the buffer is not cleared for every page.

// Zero bytes worth 0xFF each, closed by one non-zero byte; `rest` >= 1.
char* PutRun(char* p, std::size_t rest) {
    while (rest > 0xFF) {
        *p++ = '\0';
        rest -= 0xFF;
    }
    *p++ = static_cast<char>(rest);
    return p;
}

// A literal count of 4 or more where the stream expects a Literal Length.
char* PutLiteralLength(char* p, std::size_t n) {
    if (n <= 0x12) {
        *p++ = static_cast<char>(n - 3);
        return p;
    }
    *p++ = '\0';
    return PutRun(p, n - 3 - 0x0F);
}

// A value >= 1 as a Long Compression Offset.
char* PutLongCount(char* p, std::size_t v) {
    if (v <= 0xFF) {
        *p++ = static_cast<char>(v);
        return p;
    }
    *p++ = '\0';
    return PutRun(p, v - 0xFF);
}

char* PutTwoByteOffset(char* p, std::size_t offset, unsigned litBits) {
    p[0] = static_cast<char>(((offset & 0x3F) << 2) | litBits);
    p[1] = static_cast<char>((offset >> 6) & 0xFF);
    return p + 2;
}

// A back reference, then the literals that follow it: counts 1 to 3 ride in
// the opcode, longer ones follow as a Literal Length, none leaves the next
// opcode to follow directly.
char* PutMatch(char* p, std::size_t count, std::size_t distance, std::size_t literals) {
    const unsigned litBits = literals <= 3 ? static_cast<unsigned>(literals) : 0u;
    const std::size_t offset = distance - 1;
    if (count <= 14 && distance <= kNearReach) {
        p[0] = static_cast<char>(((count + 1) << 4) | ((offset & 0x03) << 2) | litBits);
        p[1] = static_cast<char>(offset >> 2);
        p += 2;
    } else if (distance <= kMidReach) {
        if (count <= 0x21) {
            *p++ = static_cast<char>(count + 0x1E);
        } else {
            *p++ = '\x20';
            p = PutLongCount(p, count - 0x21);
        }
        p = PutTwoByteOffset(p, offset, litBits);
    } else {
        if (count <= kFarShortCount) {
            *p++ = static_cast<char>(0x10 + count - 2);
        } else {
            *p++ = '\x10';
            p = PutLongCount(p, count - 9);
        }
        p = PutTwoByteOffset(p, offset - 0x3FFF, litBits);
    }
    return literals > 3 ? PutLiteralLength(p, literals) : p;
}

// The most bytes one token takes: its opcode, offset and lengths (a run of
// zero bytes for every 0xFF of a long count or literal length) and its literals.
std::size_t TokenBound(std::size_t count, std::size_t literals) {
    return 16 + count / 0xFF + literals / 0xFF + literals;
}

// The hash of three bytes given as one number, the first byte highest.
std::uint32_t HashOf3(std::uint32_t v) { return (v * 2654435761u) >> (32 - kHashBits); }

std::uint32_t Hash3(const unsigned char* p) {
    return HashOf3(static_cast<std::uint32_t>(p[0]) << 16 | static_cast<std::uint32_t>(p[1]) << 8 | p[2]);
}

// The same for the first three of four bytes read as one number, the first highest.
std::uint32_t HashOfTop3(std::uint32_t four) { return HashOf3(four >> 8); }

// How many bytes from a and b agree, up to limit (a lies before b).
std::size_t MatchLength(const unsigned char* a, const unsigned char* b, std::size_t limit) {
    std::size_t count = 0;
    while (count + 8 <= limit) {
        std::uint64_t x = 0, y = 0;
        std::memcpy(&x, a + count, 8);
        std::memcpy(&y, b + count, 8);
        if (x != y) {
            const std::uint64_t diff = x ^ y;
            // The first differing byte: the lowest one on a little-endian machine.
            if constexpr (std::endian::native == std::endian::little) return count + std::countr_zero(diff) / 8;
            break;
        }
        count += 8;
    }
    while (count < limit && a[count] == b[count]) ++count;
    return count;
}

// The last position of each 3-byte hash, kept by each thread from one input
// to the next so that it is not cleared for every page: a position is stored
// with the input's base added, and an entry below the current base is one of
// an earlier input, as good as empty. When the bases would pass 2^32 the
// table is cleared and they start again.
struct HashHeads {
    std::vector<std::uint32_t> last = std::vector<std::uint32_t>(std::size_t{1} << kHashBits, 0);
    std::uint32_t base = 1;
};

}  // namespace

bool Compress2004(std::string_view in, std::string& out) {
    out.clear();
    const std::size_t n = in.size();
    if (n == 0) {
        out += '\x11';
        return true;
    }
    if (n < kFirstLiterals) return false;
    if (n >= INT32_MAX) return false;  // positions are kept in 32 bits
    const auto* data = reinterpret_cast<const unsigned char*>(in.data());
    thread_local HashHeads head;
    if (n + 1 > UINT32_MAX - head.base) {
        std::fill(head.last.begin(), head.last.end(), 0u);
        head.base = 1;
    }
    std::uint32_t* const last = head.last.data();
    // This input's positions lie in [base, base + n); the next input starts
    // past them even when this one ends early (memory running out).
    const std::uint32_t base = head.base;
    head.base += static_cast<std::uint32_t>(n + 1);
    // The last position of this input stored under hash h, or -1.
    auto lastAt = [&](std::uint32_t h) { return last[h] >= base ? static_cast<std::int32_t>(last[h] - base) : -1; };
    // The hash of the 3 bytes at `at` (at + 3 <= n), read in one load where a fourth byte follows them.
    auto hashAt = [&](std::size_t at) { return at + 4 <= n ? HashOfTop3(ReadBigEndian32(data + at)) : Hash3(data + at); };
    // Each position's predecessor under the same hash, written before it is read.
    const auto chain = std::make_unique_for_overwrite<std::int32_t[]>(n);
    // Stores the positions [from, to) under their hashes.
    auto insert = [&](std::size_t from, std::size_t to) {
        to = std::min(to, n - 2);
        for (std::size_t at = from; at < to; ++at) {
            const std::uint32_t h = hashAt(at);
            chain[at] = lastAt(h);
            last[h] = base + static_cast<std::uint32_t>(at);
        }
    };

    // Room for the literals and a token of every size up front; more is made
    // before a token that could pass the end.
    thread_local std::string stream;
    if (stream.size() < n + n / 8 + 64) stream.resize(n + n / 8 + 64);
    std::size_t written = 0;
    auto room = [&](std::size_t need) {
        if (stream.size() - written < need) stream.resize(std::max(stream.size() * 2, written + need));
        return stream.data() + written;
    };

    bool opened = false;      // the opening literal run is written
    std::size_t pendingCount = 0, pendingDistance = 0;  // a match waiting for its literal count
    std::size_t literalStart = 0;
    auto flush = [&](std::size_t literalEnd) {
        const std::size_t literals = literalEnd - literalStart;
        char* p = room(TokenBound(pendingCount, literals));
        if (!opened) {
            p = PutLiteralLength(p, literals);  // >= 4: no match is looked for before that
            opened = true;
        } else {
            p = PutMatch(p, pendingCount, pendingDistance, literals);
        }
        std::memcpy(p, data + literalStart, literals);
        written = static_cast<std::size_t>(p + literals - stream.data());
    };

    std::size_t i = 0;
    while (i < n) {
        if (i + 3 > n) {
            ++i;  // too near the end for a match or a hash
            continue;
        }
        const std::uint32_t h = hashAt(i);
        const std::int32_t first = lastAt(h);
        std::size_t bestCount = 0, bestDistance = 0;
        if (i >= kFirstLiterals) {
            int tries = kMaxCandidates;
            for (std::int32_t c = first; c >= 0 && tries-- > 0; c = chain[static_cast<std::size_t>(c)]) {
                const std::size_t distance = i - static_cast<std::size_t>(c);
                if (distance > kFarReach) break;
                const std::size_t from = static_cast<std::size_t>(c);
                // No longer than the best so far unless it also holds the byte behind that.
                if (bestCount > 0 && data[from + bestCount] != data[i + bestCount]) continue;
                const std::size_t count = MatchLength(data + from, data + i, n - i);
                const std::size_t needed = distance <= kNearReach ? 3 : 4;
                if (count >= needed && count > bestCount) {
                    bestCount = count;
                    bestDistance = distance;
                    if (i + count == n) break;
                }
            }
        }
        // Position i goes under its hash whether or not a match starts there.
        chain[i] = first;
        last[h] = base + static_cast<std::uint32_t>(i);
        if (bestCount == 0) {
            ++i;
            continue;
        }
        flush(i);
        pendingCount = bestCount;
        pendingDistance = bestDistance;
        insert(i + 1, i + bestCount);
        i += bestCount;
        literalStart = i;
    }
    flush(n);
    *room(1) = '\x11';
    out.assign(stream.data(), written + 1);
    return true;
}

bool Compress2004Pages(const std::vector<std::string_view>& pages, std::vector<std::string>& out,
                       std::size_t helpFrom) {
    out.assign(pages.size(), std::string());
    std::size_t total = 0;
    for (std::string_view page : pages) total += page.size();
    // Every page has its own output string, and the hash heads are per thread.
    return ForEachOnTwoThreads(pages.size(), total >= helpFrom, [&](std::size_t k) { return Compress2004(pages[k], out[k]); });
}

}  // namespace kel::dwg
