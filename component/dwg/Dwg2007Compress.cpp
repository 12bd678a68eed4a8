#include "component/dwg/Dwg2007Compress.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "component/dwg/Dwg2007Decompress.h"

namespace kel::dwg {
namespace {

constexpr std::size_t kMinMatch = 3;
constexpr std::size_t kMaxDistance = 0xFFFF;
// The longest back reference one instruction expresses (the long form of 0x2X).
constexpr std::size_t kMaxMatch = 0x100 + 7 + (0xFF << 3) + (0x1F << 11);
constexpr std::size_t kHashBits = 15;
constexpr std::size_t kChainDepth = 48;
constexpr std::size_t kNoPosition = SIZE_MAX;

class Writer {
public:
    std::string out;

    void Byte(std::size_t b) { out += static_cast<char>(b & 0xFF); }

    // Literal bytes, shuffled the way the reader unshuffles them.
    void LiteralBytes(std::string_view bytes) {
        while (!bytes.empty()) {
            std::size_t block = bytes.size() >= 32 ? 32 : bytes.size();
            const auto& order = Literal2007Order(block);
            char stored[32];
            for (std::size_t i = 0; i < block; ++i) stored[order[i]] = bytes[i];
            out.append(stored, block);
            bytes.remove_prefix(block);
        }
    }

    // The opcode (0x00..0x0F) and extension announcing a run of 8 or more literals.
    void LiteralLength(std::size_t n) {
        if (n < 0x17) {
            Byte(n - 8);
            return;
        }
        Byte(0x0F);
        std::size_t rest = n - 0x17;
        if (rest < 0xFF) {
            Byte(rest);
            return;
        }
        Byte(0xFF);
        rest -= 0xFF;
        while (rest >= 0xFFFF) {
            Byte(0xFF);
            Byte(0xFF);
            rest -= 0xFFFF;
        }
        Byte(rest);
        Byte(rest >> 8);
    }

    // One back reference. `chained` when it directly follows another one (the
    // opcodes 0x0X then announce literals and 0xFX takes their place);
    // `literals` (0..7) follow it in the low bits of its last byte.
    void Match(std::size_t length, std::size_t distance, bool chained, std::size_t literals) {
        const std::size_t d = distance - 1;
        const std::size_t shortLimit = chained ? 14 : 15;
        if (length <= shortLimit && distance <= 0x200) {
            Byte(length << 4 | (d & 0x0F));
            Byte((d >> 4) << 3 | literals);
        } else if (length >= 0x13 && length <= 0x32 && distance <= 0x1000) {
            std::size_t extra = length - 0x13;
            Byte((chained ? 0xF0 : 0x00) | (extra & 0x0F));
            Byte(d);
            Byte((extra & 0x10) << 3 | (d >> 8) << 3 | literals);
        } else if (length <= 0x12 && distance <= 0x2000) {
            Byte(0x10 | (length - 3));
            Byte(d);
            Byte((d >> 8) << 3 | literals);
        } else if (length <= 0xFF) {
            Byte(0x20 | (length & 7));
            Byte(distance);
            Byte(distance >> 8);
            Byte((length & 0xF8) | literals);
        } else {
            std::size_t extra = length - 0x100;
            Byte(0x28 | (extra & 7));
            Byte(d);
            Byte(d >> 8);
            Byte(extra >> 3);
            Byte((extra >> 11) << 3 | literals);
        }
    }
};

std::size_t Hash(const unsigned char* p) {
    std::uint32_t v = p[0] | static_cast<std::uint32_t>(p[1]) << 8 | static_cast<std::uint32_t>(p[2]) << 16;
    return (v * 2654435761u) >> (32 - kHashBits);
}

struct Token {
    std::size_t literalStart, literalCount, length, distance;
};

}  // namespace

std::string Compress2007(std::string_view in) {
    const auto* data = reinterpret_cast<const unsigned char*>(in.data());
    const std::size_t n = in.size();
    std::vector<std::size_t> head(std::size_t{1} << kHashBits, kNoPosition);
    std::vector<std::size_t> previous(n, kNoPosition);
    auto insert = [&](std::size_t at) {
        if (at + kMinMatch > n) return;
        std::size_t h = Hash(data + at);
        previous[at] = head[h];
        head[h] = at;
    };
    auto longest = [&](std::size_t at, std::size_t& distance) {
        std::size_t best = 0;
        if (at + kMinMatch > n) return best;
        const std::size_t limit = std::min(kMaxMatch, n - at);
        std::size_t candidate = head[Hash(data + at)];
        for (std::size_t depth = 0; candidate != kNoPosition && depth < kChainDepth; ++depth) {
            if (at - candidate > kMaxDistance) break;
            if (data[candidate + best] == data[at + best]) {
                std::size_t len = 0;
                while (len < limit && data[candidate + len] == data[at + len]) ++len;
                if (len > best) {
                    best = len;
                    distance = at - candidate;
                    if (len == limit) break;
                }
            }
            candidate = previous[candidate];
        }
        // A reference must be shorter than the literals it replaces: farther
        // ones take more bytes to write.
        const std::size_t worthIt = distance <= 0x200 ? 3 : distance <= 0x2000 ? 4 : 5;
        return best >= worthIt ? best : 0;
    };

    // First the matches, each with the literals before it.
    std::vector<Token> tokens;
    std::size_t pos = 0, literalStart = 0;
    while (pos < n) {
        std::size_t distance = 0;
        // A reference cannot open the stream: the first byte is always a literal.
        std::size_t length = pos == 0 ? 0 : longest(pos, distance);
        if (length == 0) {
            insert(pos);
            ++pos;
            continue;
        }
        tokens.push_back({literalStart, pos - literalStart, length, distance});
        for (std::size_t end = pos + length; pos < end; ++pos) insert(pos);
        literalStart = pos;
    }
    const std::size_t tailLiterals = n - literalStart;

    Writer w;
    if (n == 0) return w.out;
    // The opening literal run.
    const std::size_t first = tokens.empty() ? n : tokens[0].literalCount;
    if (first < 8) {
        w.Byte(0x20);
        w.Byte(0);
        w.Byte(0);
        w.Byte(first);
    } else {
        w.LiteralLength(first);
    }
    w.LiteralBytes(in.substr(0, first));
    // Then each match with the literals after it: up to 7 ride in the
    // match's last byte, more get an opcode of their own, none let the next
    // match follow directly.
    bool chained = false;
    for (std::size_t t = 0; t < tokens.size(); ++t) {
        const bool last = t + 1 == tokens.size();
        const std::size_t start = last ? literalStart : tokens[t + 1].literalStart;
        const std::size_t count = last ? tailLiterals : tokens[t + 1].literalCount;
        w.Match(tokens[t].length, tokens[t].distance, chained, count <= 7 ? count : 0);
        if (count > 7) w.LiteralLength(count);
        w.LiteralBytes(in.substr(start, count));
        chained = count == 0;
    }
    return w.out;
}

}  // namespace kel::dwg
