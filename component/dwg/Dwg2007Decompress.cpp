#include "component/dwg/Dwg2007Decompress.h"

#include <cstring>
#include <initializer_list>
#include <utility>

namespace kel::dwg {
namespace {

// How each block size is put together from smaller blocks of the stored
// bytes: {length, stored offset} in output order. Each smaller block is itself
// shuffled the way a block of its size is (a 2-byte piece is swapped, a
// 16-byte piece has its halves swapped); a 1-byte block is the byte.
using Pieces = std::initializer_list<std::pair<std::uint8_t, std::uint8_t>>;
const Pieces kPieces[33] = {
    {},
    {{1, 0}},
    {{1, 1}, {1, 0}},
    {{1, 2}, {1, 1}, {1, 0}},
    {{1, 0}, {1, 1}, {1, 2}, {1, 3}},
    {{1, 4}, {4, 0}},
    {{1, 5}, {4, 1}, {1, 0}},
    {{2, 5}, {4, 1}, {1, 0}},
    {{4, 0}, {4, 4}},
    {{1, 8}, {8, 0}},
    {{1, 9}, {8, 1}, {1, 0}},
    {{2, 9}, {8, 1}, {1, 0}},
    {{4, 8}, {8, 0}},
    {{1, 12}, {4, 8}, {8, 0}},
    {{1, 13}, {4, 9}, {8, 1}, {1, 0}},
    {{2, 13}, {4, 9}, {8, 1}, {1, 0}},
    {{8, 8}, {8, 0}},
    {{8, 9}, {1, 8}, {8, 0}},
    {{1, 17}, {16, 1}, {1, 0}},
    {{3, 16}, {16, 0}},
    {{4, 16}, {16, 0}},
    {{1, 20}, {4, 16}, {16, 0}},
    {{2, 20}, {4, 16}, {16, 0}},
    {{3, 20}, {4, 16}, {16, 0}},
    {{8, 16}, {16, 0}},
    {{8, 17}, {1, 16}, {16, 0}},
    {{1, 25}, {8, 17}, {1, 16}, {16, 0}},
    {{2, 25}, {8, 17}, {1, 16}, {16, 0}},
    {{4, 24}, {8, 16}, {16, 0}},
    {{1, 28}, {4, 24}, {8, 16}, {16, 0}},
    {{2, 28}, {4, 24}, {8, 16}, {16, 0}},
    {{1, 30}, {4, 26}, {8, 18}, {16, 2}, {2, 0}},
    {{16, 16}, {16, 0}},
};

std::array<std::array<std::uint8_t, 32>, 33> BuildOrders() {
    std::array<std::array<std::uint8_t, 32>, 33> orders{};
    for (std::size_t n = 1; n <= 32; ++n) {
        std::size_t at = 0;
        for (auto [length, from] : kPieces[n]) {
            for (std::size_t i = 0; i < length; ++i) {
                const std::size_t inner = length < n ? orders[length][i] : i;
                orders[n][at++] = static_cast<std::uint8_t>(from + inner);
            }
        }
    }
    return orders;
}

class Input {
public:
    explicit Input(std::string_view in) : in_(in) {}
    bool Ok() const { return ok_; }
    bool AtEnd() const { return pos_ >= in_.size(); }
    std::size_t Left() const { return in_.size() - pos_; }
    std::uint8_t Byte() {
        if (pos_ >= in_.size()) {
            ok_ = false;
            return 0;
        }
        return static_cast<std::uint8_t>(in_[pos_++]);
    }
    void Skip(std::size_t n) {
        if (n > Left()) {
            ok_ = false;
            pos_ = in_.size();
        } else {
            pos_ += n;
        }
    }
    const char* Here() const { return in_.data() + pos_; }

private:
    std::string_view in_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

// The length of a literal run that an opcode 0x00..0x0F announces; 0x0F
// continues in a byte and, after 0xFF, in 16-bit words until one is not 0xFFFF.
std::size_t LiteralLength(Input& in, std::uint8_t op) {
    std::size_t length = op + 8u;
    if (length != 0x17) return length;
    std::size_t n = in.Byte();
    length += n;
    if (n != 0xFF) return length;
    do {
        n = in.Byte();
        n |= static_cast<std::size_t>(in.Byte()) << 8;
        length += n;
    } while (in.Ok() && n == 0xFFFF);
    return length;
}

// A back reference: its length and distance, and in `op` the byte whose low
// three bits give the literal run that follows (0: another opcode follows).
void Instruction(Input& in, std::uint8_t& op, std::size_t& offset, std::size_t& length) {
    switch (op >> 4) {
        case 0:
            length = (op & 0x0Fu) + 0x13;
            offset = in.Byte();
            op = in.Byte();
            length += (op >> 3) & 0x10u;
            offset += ((op & 0x78u) << 5) + 1;
            break;
        case 1:
            length = (op & 0x0Fu) + 3;
            offset = in.Byte();
            op = in.Byte();
            offset += ((op & 0xF8u) << 5) + 1;
            break;
        case 2:
            offset = in.Byte();
            offset |= static_cast<std::size_t>(in.Byte()) << 8;
            length = op & 7u;
            if ((op & 8u) == 0) {
                op = in.Byte();
                length += op & 0xF8u;
            } else {
                ++offset;
                length += static_cast<std::size_t>(in.Byte()) << 3;
                op = in.Byte();
                length += (static_cast<std::size_t>(op & 0xF8u) << 8) + 0x100;
            }
            break;
        default:
            length = op >> 4;
            offset = op & 0x0Fu;
            op = in.Byte();
            offset += ((op & 0xF8u) << 1) + 1;
            break;
    }
}

}  // namespace

const std::array<std::uint8_t, 32>& Literal2007Order(std::size_t n) {
    static const auto orders = BuildOrders();
    return orders[n <= 32 ? n : 0];
}

bool Decompress2007(std::string_view compressed, std::size_t maxSize, std::string& out, std::string& error) {
    out.clear();
    error.clear();
    if (compressed.empty()) return true;
    // The output grows by runs; room for a page's worth saves the regrowing
    // (a size read from a damaged file is not reserved beyond that).
    constexpr std::size_t kReserveAtMost = std::size_t{1} << 20;
    out.reserve(maxSize < kReserveAtMost ? maxSize : kReserveAtMost);
    Input in(compressed);
    auto fail = [&](const char* why) {
        error = why;
        return false;
    };
    auto literal = [&](std::size_t n) {
        if (n > in.Left()) return fail("a literal run reads past the end of the stream");
        if (n > maxSize - out.size()) return fail("a literal run overruns the output");
        const char* from = in.Here();
        in.Skip(n);
        std::size_t at = out.size();
        out.resize(at + n);
        char* to = out.data() + at;
        while (n != 0) {
            std::size_t block = n >= 32 ? 32 : n;
            const auto& order = Literal2007Order(block);
            for (std::size_t i = 0; i < block; ++i) to[i] = from[order[i]];
            from += block;
            to += block;
            n -= block;
        }
        return true;
    };
    auto copy = [&](std::size_t offset, std::size_t length) {
        if (offset > out.size()) return fail("a back reference points before the start of the output");
        if (length > maxSize - out.size()) return fail("a back reference overruns the output");
        const std::size_t at = out.size();
        out.resize(at + length);
        char* to = out.data() + at;
        const char* from = to - offset;
        if (offset >= length) {
            std::memcpy(to, from, length);
        } else {
            // The copy reads bytes it writes: byte by byte, repeating the last `offset`.
            for (std::size_t i = 0; i < length; ++i) to[i] = from[i];
        }
        return true;
    };

    std::uint8_t op = in.Byte();
    std::size_t length = 0;
    if ((op >> 4) == 2) {
        in.Skip(2);
        length = in.Byte() & 7u;
        if (!in.Ok()) return fail("the stream ends inside its first opcode");
    }
    for (;;) {
        if (length == 0) {
            length = LiteralLength(in, op);
            if (!in.Ok()) return fail("the stream ends inside a literal length");
        }
        if (!literal(length)) return false;
        if (in.AtEnd()) return true;
        op = in.Byte();
        length = 0;
        for (;;) {
            std::size_t offset = 0, count = 0;
            Instruction(in, op, offset, count);
            if (!in.Ok()) return fail("the stream ends inside a back reference");
            if (!copy(offset, count)) return false;
            length = op & 7u;
            if (length != 0 || in.AtEnd()) break;
            op = in.Byte();
            if ((op >> 4) == 0) break;
            if ((op >> 4) == 15) op &= 0x0Fu;
        }
        if (length == 0 && in.AtEnd()) return true;
    }
}

}  // namespace kel::dwg
