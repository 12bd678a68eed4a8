#include "component/dwg/DwgDecompress.h"

#include <cstdint>
#include <cstring>

namespace kel::dwg {
namespace {

class Input {
public:
    explicit Input(std::string_view in)
        : at_(reinterpret_cast<const std::uint8_t*>(in.data())), end_(at_ + in.size()) {}
    bool Ok() const { return ok_; }
    std::uint8_t Byte() {
        if (at_ == end_) {
            ok_ = false;
            return 0;
        }
        return *at_++;
    }
    // The next n bytes, or null (and not Ok) when fewer are left.
    const std::uint8_t* Take(std::size_t n) {
        if (n > static_cast<std::size_t>(end_ - at_)) {
            ok_ = false;
            return nullptr;
        }
        const std::uint8_t* p = at_;
        at_ += n;
        return p;
    }

private:
    const std::uint8_t* at_;
    const std::uint8_t* end_;
    bool ok_ = true;
};

// A run that starts at 0x0F for a first 0 byte, adds 0xFF per further 0 and
// ends with the first non-zero byte, which it adds too.
std::size_t LongRun(Input& in, std::size_t start) {
    std::size_t total = start;
    for (;;) {
        std::uint8_t b = in.Byte();
        if (!in.Ok()) return 0;
        if (b != 0) return total + b;
        total += 0xFF;
        if (total > (std::size_t{1} << 31)) return 0;  // no page is that long
    }
}

// A literal length, or 0 when the byte read is the next opcode (kept in `op`).
std::size_t LiteralLength(Input& in, std::uint8_t& op) {
    std::uint8_t b = in.Byte();
    if (b == 0) return LongRun(in, 0x0F) + 3;
    if (b < 0x10) return b + 3u;
    op = b;
    return 0;
}

std::size_t LongOffset(Input& in) {
    std::uint8_t b = in.Byte();
    return b != 0 ? b : LongRun(in, 0xFF);
}

void TwoByteOffset(Input& in, std::size_t& offset, std::size_t& literals) {
    std::uint8_t first = in.Byte();
    std::uint8_t second = in.Byte();
    offset = static_cast<std::size_t>(first >> 2) | static_cast<std::size_t>(second) << 6;
    literals = first & 0x03u;
}

// Copies the first and the last word of n bytes, which cover all of them
// when sizeof(Word) <= n <= 2 * sizeof(Word).
template <class Word>
void HeadAndTail(char* to, const char* from, std::size_t n) {
    Word head, tail;
    std::memcpy(&head, from, sizeof head);
    std::memcpy(&tail, from + n - sizeof tail, sizeof tail);
    std::memcpy(to, &head, sizeof head);
    std::memcpy(to + n - sizeof tail, &tail, sizeof tail);
}

// Copies n bytes between ranges that do not overlap. Most literal runs and
// back references are a few bytes long: up to 16 go as two fixed-size moves,
// which may overlap each other, instead of a call.
inline void CopyApart(char* to, const char* from, std::size_t n) {
    if (n > 16) {
        std::memcpy(to, from, n);
    } else if (n >= 8) {
        HeadAndTail<std::uint64_t>(to, from, n);
    } else if (n >= 4) {
        HeadAndTail<std::uint32_t>(to, from, n);
    } else {
        for (std::size_t i = 0; i < n; ++i) to[i] = from[i];
    }
}

}  // namespace

std::size_t Decompress2004(std::string_view compressed, char* out, std::size_t capacity) {
    Input in(compressed);
    std::size_t size = 0;
    auto literal = [&](std::size_t n) {
        if (n > capacity - size) return false;
        const std::uint8_t* from = in.Take(n);
        if (!from) return false;
        CopyApart(out + size, reinterpret_cast<const char*>(from), n);
        size += n;
        return true;
    };
    std::uint8_t op = 0;
    std::size_t lit = LiteralLength(in, op);
    if (!in.Ok() || !literal(lit)) return kDecompressFailed;
    if (lit != 0 || op == 0) op = in.Byte();
    for (;;) {
        std::size_t count = 0, offset = 0, literals = 0;
        // Opcodes from the most frequent: short back references take most of a page.
        if (op >= 0x40) {
            count = ((op & 0xF0u) >> 4) - 1;
            std::uint8_t op2 = in.Byte();
            offset = static_cast<std::size_t>(op2) << 2 | ((op & 0x0Cu) >> 2);
            literals = op & 0x03u;
        } else if (op >= 0x20) {
            count = op == 0x20 ? LongOffset(in) + 0x21 : op - 0x1Eu;
            TwoByteOffset(in, offset, literals);
        } else if (op >= 0x12 || op == 0x10) {
            count = op == 0x10 ? LongOffset(in) + 9 : (op & 0x0Fu) + 2;
            TwoByteOffset(in, offset, literals);
            offset += 0x3FFF;
        } else if (op == 0x11 && in.Ok()) {
            return size;
        } else {
            return kDecompressFailed;  // no valid opcode, or the input ended before one
        }
        if (!in.Ok()) return kDecompressFailed;
        // The copy source lies offset + 1 bytes back and may overlap what it writes.
        if (offset + 1 > size || count > capacity - size) return kDecompressFailed;
        char* to = out + size;
        const char* from = to - offset - 1;
        if (offset + 1 >= count) {
            CopyApart(to, from, count);
        } else if (offset == 0) {
            std::memset(to, *from, count);  // one byte repeated
        } else {
            for (std::size_t i = 0; i < count; ++i) to[i] = from[i];  // repeats what it copies
        }
        size += count;
        if (literals == 0) {
            // A literal length, or the next opcode when no literals follow.
            const std::uint8_t next = in.Byte();
            if (next >= 0x10) {
                op = next;
                continue;
            }
            literals = next != 0 ? next + 3u : LongRun(in, 0x0F) + 3;
        }
        if (!in.Ok() || !literal(literals)) return kDecompressFailed;
        op = in.Byte();
    }
}

bool Decompress2004(std::string_view in, std::size_t maxSize, std::string& out) {
    out.resize(maxSize);
    const std::size_t size = Decompress2004(in, out.data(), maxSize);
    if (size == kDecompressFailed) {
        out.clear();
        return false;
    }
    out.resize(size);
    return true;
}

}  // namespace kel::dwg
