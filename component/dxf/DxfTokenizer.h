// Splits a DXF file (ASCII or binary) into group code / value pairs without
// copying: every token points into the buffer that holds the file, or, for a
// file read a block at a time, into the block that holds the token.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace kel::dxf {

enum class DxfEncoding {
    Ascii,
    Binary1,  // binary with 1-byte group codes (255 escapes a 2-byte code)
    Binary2,  // binary with 2-byte group codes
};

// Kinds of values, by group code.
enum class ValueKind { String, Double, Int16, Int32, Int64, Bool, Chunk };

ValueKind KindOfCode(int code);

struct DxfToken {
    int code = 0;
    std::size_t start = 0;       // first byte of the group code
    std::size_t valueStart = 0;  // first byte of the value
    std::size_t valueEnd = 0;    // one past the value (before the line end or the NUL)
    std::size_t end = 0;         // first byte of the next token
    std::string_view value;      // the value's bytes (ASCII: the line without its end)
};

// The binary sentinel that starts a binary DXF file.
inline constexpr std::string_view kBinarySentinel{"AutoCAD Binary DXF\r\n\x1a\0", 22};

// Gives the file's next bytes: up to n into buf, `got` 0 at the end; false
// with a reason on a read error.
using DxfBytes = std::function<bool(char* buf, std::size_t n, std::size_t& got, std::string& strWhy)>;

class DxfTokenizer {
public:
    // The whole file.
    explicit DxfTokenizer(std::string_view data);
    // A file read a block at a time: its first bytes, and the rest to come
    // from `more` (none when it is empty), blockSize bytes at a time (more for
    // a longer token). A
    // token's byte positions are positions in the file; its value stays
    // readable as long as KeepFrom allows.
    static constexpr std::size_t kBlockSize = 1024 * 1024;
    DxfTokenizer(std::string first, DxfBytes more, std::size_t blockSize = kBlockSize);

    DxfEncoding Encoding() const { return encoding_; }

    // Reads the next token; false at the end of the data or on a malformed token
    // (then Failed() is true and Error() says where).
    bool Next(DxfToken& token);

    bool Failed() const { return !error_.empty(); }
    const std::string& Error() const { return error_; }

    // The tokens from this file position on stay readable; the blocks of a
    // file read a block at a time that end before it may go.
    void KeepFrom(std::size_t pos) { keepFrom_ = pos; }
    // The bytes read so far: the file's size once Next has returned false.
    std::size_t BytesRead() const { return base_ + data_.size(); }

    // Numeric value of a token (0 when it does not hold a number).
    double Double(const DxfToken& token) const;
    std::int64_t Integer(const DxfToken& token) const;

private:
    bool NextAscii(DxfToken& token);
    bool NextAsciiAnyLine(DxfToken& token);
    bool NextBinary(DxfToken& token);
    bool Fail(std::size_t pos, const char* what);
    void Detect();
    // Reads more of the file into a new block that starts with the bytes from
    // pos_ on; false at the end of the file or on a read error.
    bool Grow();

    struct Block {
        std::unique_ptr<char[]> bytes;
        std::size_t base = 0, size = 0;  // file position and length
    };

    std::string_view data_;  // the bytes at hand: the whole file, or the newest block
    std::size_t base_ = 0;   // the file position of data_[0]
    bool final_ = true;      // data_ reaches the file's end
    DxfBytes more_;
    std::size_t blockSize_ = kBlockSize;
    std::string first_;           // the first bytes of a file read a block at a time
    std::deque<Block> blocks_;    // the blocks read since, oldest first
    std::size_t keepFrom_ = 0;
    std::size_t linesBefore_ = 0;  // ASCII: line ends before data_
    DxfEncoding encoding_ = DxfEncoding::Ascii;
    std::size_t pos_ = 0;
    char eol_ = '\n';  // the character that ends an ASCII line
    std::string error_;
};

// Removes blanks (space, tab) and a stray CR at both ends.
std::string_view Trim(std::string_view text);

// True when the data starts like a DXF file (binary sentinel, or an ASCII
// group code line followed by a value line).
bool LooksLikeDxf(std::string_view data);

}  // namespace kel::dxf
