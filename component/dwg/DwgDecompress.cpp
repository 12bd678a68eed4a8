#include "component/dwg/DwgDecompress.h"

#include <cstdint>
#include <cstring>

namespace kel::dwg {
namespace {

class Input {
public:
    explicit Input(std::string_view in) : in_(in) {}
    bool Ok() const { return ok_; }
    bool AtEnd() const { return pos_ >= in_.size(); }
    std::uint8_t Byte() {
        if (pos_ >= in_.size()) {
            ok_ = false;
            return 0;
        }
        return static_cast<std::uint8_t>(in_[pos_++]);
    }
    std::string_view Take(std::size_t n) {
        if (n > in_.size() - pos_) {
            ok_ = false;
            return {};
        }
        std::string_view v = in_.substr(pos_, n);
        pos_ += n;
        return v;
    }

private:
    std::string_view in_;
    std::size_t pos_ = 0;
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

}  // namespace

bool Decompress2004(std::string_view compressed, std::size_t maxSize, std::string& out) {
    Input in(compressed);
    out.clear();
    auto literal = [&](std::size_t n) {
        if (n > maxSize - out.size()) return false;
        std::string_view v = in.Take(n);
        out.append(v);
        return in.Ok();
    };
    std::uint8_t op = 0;
    std::size_t lit = LiteralLength(in, op);
    if (!in.Ok() || !literal(lit)) return false;
    if (lit != 0 || op == 0) op = in.Byte();
    for (;;) {
        if (!in.Ok()) return false;
        if (op == 0x11) return true;
        std::size_t count = 0, offset = 0, literals = 0;
        if (op < 0x10) {
            return false;
        } else if (op == 0x10 || (op >= 0x12 && op <= 0x1F)) {
            count = op == 0x10 ? LongOffset(in) + 9 : (op & 0x0Fu) + 2;
            TwoByteOffset(in, offset, literals);
            offset += 0x3FFF;
        } else if (op == 0x20 || (op >= 0x21 && op <= 0x3F)) {
            count = op == 0x20 ? LongOffset(in) + 0x21 : op - 0x1Eu;
            TwoByteOffset(in, offset, literals);
        } else {
            count = ((op & 0xF0u) >> 4) - 1;
            std::uint8_t op2 = in.Byte();
            offset = static_cast<std::size_t>(op2) << 2 | ((op & 0x0Cu) >> 2);
            literals = op & 0x03u;
        }
        if (!in.Ok()) return false;
        // The copy source lies offset + 1 bytes back and may overlap what it writes.
        if (offset + 1 > out.size() || count > maxSize - out.size()) return false;
        const std::size_t from = out.size() - offset - 1;
        const std::size_t at = out.size();
        out.resize(at + count);
        char* p = out.data();
        if (offset + 1 >= count) {
            std::memcpy(p + at, p + from, count);
        } else {
            for (std::size_t i = 0; i < count; ++i) p[at + i] = p[from + i];  // repeats what it copies
        }
        op = 0;
        if (literals == 0) {
            literals = LiteralLength(in, op);
        }
        if (!literal(literals)) return false;
        if (op == 0) op = in.Byte();
    }
}

}  // namespace kel::dwg
