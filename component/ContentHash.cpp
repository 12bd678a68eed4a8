#include "component/ContentHash.h"

#include <bit>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>

#include "component/DrawingHandle.h"
#include "platform/FileSystem.h"

namespace kel {
namespace {

constexpr std::uint64_t kFnvStart = 14695981039346656037ull;
constexpr std::uint64_t kFnvPrime = 1099511628211ull;

// Odd 64-bit multipliers with well-spread bits.
constexpr std::uint64_t kMul1 = 0x9E3779B97F4A7C15ull;
constexpr std::uint64_t kMul2 = 0xBF58476D1CE4E5B9ull;
constexpr std::uint64_t kMul3 = 0x94D049BB133111EBull;

std::uint64_t LoadLittleEndian(const char* p) {
    std::uint64_t v = 0;
    std::memcpy(&v, p, 8);
    if constexpr (std::endian::native == std::endian::big) {
        std::uint64_t swapped = 0;
        for (int i = 0; i < 8; ++i) swapped = (swapped << 8) | ((v >> (8 * i)) & 0xFF);
        v = swapped;
    }
    return v;
}

// One word into a lane. For a fixed lane this is one-to-one in the word, and
// for a fixed word one-to-one in the lane: two inputs that differ in a single
// word always leave that lane different.
std::uint64_t Mix(std::uint64_t lane, std::uint64_t word) {
    return std::rotl(lane ^ (word * kMul1), 29) * kMul2;
}

std::uint64_t Spread(std::uint64_t h) {
    h ^= h >> 31;
    h *= kMul3;
    h ^= h >> 29;
    h *= kMul2;
    h ^= h >> 32;
    return h;
}

}  // namespace

ContentHasher::ContentHasher(HashKind kind) : kind_(kind) {
    lanes_[0] = kFnvStart;
    for (int i = 1; i < 4; ++i) lanes_[i] = lanes_[i - 1] + kMul1;
}

void ContentHasher::AddBlock(const char* block) {
    for (int i = 0; i < 4; ++i) lanes_[i] = Mix(lanes_[i], LoadLittleEndian(block + 8 * i));
}

void ContentHasher::Add(const char* data, std::size_t n) {
    length_ += n;
    if (kind_ == HashKind::Bytewise) {
        std::uint64_t h = lanes_[0];
        for (std::size_t i = 0; i < n; ++i) {
            h ^= static_cast<unsigned char>(data[i]);
            h *= kFnvPrime;
        }
        lanes_[0] = h;
        return;
    }
    if (pendingSize_ > 0) {
        const std::size_t take = std::min(n, sizeof pending_ - pendingSize_);
        std::memcpy(pending_ + pendingSize_, data, take);
        pendingSize_ += take;
        data += take;
        n -= take;
        if (pendingSize_ < sizeof pending_) return;
        AddBlock(pending_);
        pendingSize_ = 0;
    }
    for (; n >= sizeof pending_; data += sizeof pending_, n -= sizeof pending_) AddBlock(data);
    std::memcpy(pending_, data, n);
    pendingSize_ = n;
}

std::uint64_t ContentHasher::Result() const {
    if (kind_ == HashKind::Bytewise) return lanes_[0];
    std::uint64_t lanes[4] = {lanes_[0], lanes_[1], lanes_[2], lanes_[3]};
    // The last bytes: whole words first, then the rest zero-padded and tagged
    // with its count, so that trailing zero bytes still count.
    std::size_t at = 0;
    int lane = 0;
    for (; at + 8 <= pendingSize_; at += 8, ++lane) lanes[lane] = Mix(lanes[lane], LoadLittleEndian(pending_ + at));
    char last[8] = {};
    std::memcpy(last, pending_ + at, pendingSize_ - at);
    const std::uint64_t tail = LoadLittleEndian(last) ^ (static_cast<std::uint64_t>(pendingSize_ - at) << 56);
    lanes[lane] = Mix(lanes[lane], tail);
    std::uint64_t h = length_ * kMul3;
    for (const std::uint64_t l : lanes) h = Mix(h, Spread(l));
    return Spread(h);
}

std::uint64_t ContentHash(std::string_view data, HashKind kind) {
    ContentHasher hasher(kind);
    hasher.Add(data.data(), data.size());
    return hasher.Result();
}

bool FileContentHash(const std::string& strPath, HashKind kind, std::uint64_t& size, std::uint64_t& hash) {
    size = 0;
    ContentHasher hasher(kind);
    hash = hasher.Result();
    std::ifstream in(PathFromUtf8(strPath), std::ios::binary);
    if (!in) return false;
    constexpr std::size_t kPiece = std::size_t{1} << 18;
    const auto piece = std::make_unique_for_overwrite<char[]>(kPiece);
    while (in) {
        in.read(piece.get(), static_cast<std::streamsize>(kPiece));
        const auto got = static_cast<std::size_t>(in.gcount());
        hasher.Add(piece.get(), got);
        size += got;
    }
    hash = hasher.Result();
    return in.eof();
}

std::string HashText(HashKind kind, std::uint64_t hash) {
    char text[20];
    std::snprintf(text, sizeof text, "%s%016llx", kind == HashKind::Wordwise ? "w" : "",
                  static_cast<unsigned long long>(hash));
    return text;
}

bool ParseHashText(std::string_view text, HashKind& kind, std::uint64_t& hash) {
    kind = HashKind::Bytewise;
    if (!text.empty() && text.front() == 'w') {
        kind = HashKind::Wordwise;
        text.remove_prefix(1);
    }
    // At most 16 hexadecimal digits, read as a handle's are.
    return text.size() <= 16 && text == TrimHandleText(text) && ParseHandle(text, hash);
}

}  // namespace kel
