// Splits a DXF file (ASCII or binary) into group code / value pairs without
// copying: every token points into the one buffer that holds the file.
#pragma once

#include <cstddef>
#include <cstdint>
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

class DxfTokenizer {
public:
    explicit DxfTokenizer(std::string_view data);

    DxfEncoding Encoding() const { return encoding_; }

    // Reads the next token; false at the end of the data or on a malformed token
    // (then Failed() is true and Error() says where).
    bool Next(DxfToken& token);

    bool Failed() const { return !error_.empty(); }
    const std::string& Error() const { return error_; }

    // Numeric value of a token (0 when it does not hold a number).
    double Double(const DxfToken& token) const;
    std::int64_t Integer(const DxfToken& token) const;

private:
    bool NextAscii(DxfToken& token);
    bool NextAsciiAnyLine(DxfToken& token);
    bool NextBinary(DxfToken& token);
    bool Fail(std::size_t pos, const char* what);

    std::string_view data_;
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
