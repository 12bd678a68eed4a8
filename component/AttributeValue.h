// The rule for a new attribute value, the same for every drawing format:
//  - it must be well-formed UTF-8 (the engine hands on nothing else);
//  - it may not hold U+0000, which no format can store inside a text;
//  - line breaks and other control characters are kept: a multi-line attribute
//    takes a line break as a paragraph break, a single-line one keeps it as
//    the character, which DXF files write in caret notation (^J) and DWG
//    files as the byte itself;
//  - a character the drawing's code page lacks is written as \U+XXXX (two
//    such escapes beyond U+FFFF), which every reader turns back into it.
// Each format then checks only what its files limit, such as a value's length.
#pragma once

#include <string>
#include <string_view>

#include "component/text/Utf8.h"

namespace kel {

// "" when the value may be stored; otherwise the reason, for the status
// "Value cannot be stored: <reason>".
inline std::string ValueProblem(std::string_view value) {
    if (!text::IsValidUtf8(value)) return "it is not UTF-8 text";
    if (value.find('\0') != std::string_view::npos) return "it holds the character U+0000";
    return {};
}

}  // namespace kel
