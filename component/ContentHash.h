// A hash of a drawing's bytes, to tell whether they changed: the journal keeps
// one of a saved drawing for an undo, and a DXF document one of the file it
// read, to splice from that file again when saving. Two kinds: the byte-at-a-time FNV-1a
// of the journals written first, and a hash that takes eight bytes a step in
// four independent lanes, about fifteen times faster on a large drawing. A
// journal entry names its kind, so entries of either kind keep comparing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kel {

enum class HashKind {
    Bytewise,  // 64-bit FNV-1a
    Wordwise,  // four lanes of 64-bit words
};

// A hash fed in pieces; the same result for any cut of the same bytes.
class ContentHasher {
public:
    explicit ContentHasher(HashKind kind);
    void Add(const char* data, std::size_t n);
    std::uint64_t Result() const;

private:
    void AddBlock(const char* block);

    HashKind kind_;
    std::uint64_t lanes_[4];
    std::uint64_t length_ = 0;
    char pending_[32];
    std::size_t pendingSize_ = 0;
};

std::uint64_t ContentHash(std::string_view data, HashKind kind);

// The size and hash of a file, read a piece at a time; false when it cannot be read.
bool FileContentHash(const std::string& strPath, HashKind kind, std::uint64_t& size, std::uint64_t& hash);

// The hash as a journal entry writes it ("w" and 16 hex digits for Wordwise,
// 16 hex digits for Bytewise), and back; false for a text that is neither.
std::string HashText(HashKind kind, std::uint64_t hash);
bool ParseHashText(std::string_view text, HashKind& kind, std::uint64_t& hash);

}  // namespace kel
