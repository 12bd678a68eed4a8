// Text values of DXF files: the file's own encoding (UTF-8 from AC1021 on, a
// code page before), \U+XXXX escapes and caret notation for control characters,
// and the plain text of multi-line (MTEXT) values.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kel::dxf {

class TextCodec {
public:
    // From the $ACADVER and $DWGCODEPAGE header values (either may be empty).
    TextCodec(std::string_view acadVer, std::string_view dwgCodePage);
    static TextCodec Utf8() { return TextCodec("AC1032", ""); }

    // File bytes to UTF-8: escapes resolved, caret notation turned into control characters.
    std::string Decode(std::string_view raw) const;
    // True when Decode gives the bytes as they are, whatever the encoding:
    // plain ASCII without escapes or caret notation.
    static bool IsPlain(std::string_view raw);
    // UTF-8 to file bytes. Characters the file's encoding lacks become
    // \U+XXXX, or \M+nXXXX when the file writes such escapes and page n has them.
    std::string Encode(std::string_view utf8) const;

    bool IsUtf8() const { return utf8_; }

private:
    bool utf8_ = false;
    const char16_t* table_ = nullptr;  // bytes 0x80..0xFF of a single-byte page; null: unknown page
    int doubleBytePage_ = 0;           // the file's own page when it is a double-byte one (932, 936, ...)
    mutable int escapePage_ = 0;       // the page of the last \M+n escape read (1 to 5)
};

// Plain text of an MTEXT string already decoded by TextCodec: paragraph breaks
// become line breaks, formatting codes and grouping braces are dropped. With
// sources, each byte of the plain text gets the range of the string it comes from.
std::string MTextToPlain(std::string_view text,
                         std::vector<std::pair<std::size_t, std::size_t>>* sources = nullptr);
// The MTEXT string (decoded) whose plain text is plain, made from mtext by
// rewriting only the part whose plain text changed: line breaks and formatting
// codes before and after it stay as they were.
std::string EditMText(std::string_view mtext, std::string_view plain);
// MTEXT string for a plain text (line breaks become paragraph breaks; backslash
// and braces are escaped). The result still needs TextCodec::Encode.
std::string PlainToMText(std::string_view text);

}  // namespace kel::dxf
