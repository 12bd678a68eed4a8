// A template tag line taken apart: what it does and the texts it carries.
#pragma once

#include <string>

namespace kel {

enum class TagLineKind {
    None,           // a line of no known form: does nothing
    GlobalDelete,   // d
    GlobalClear,    // c
    GlobalFind,     // f D find D replace
    GlobalSet,      // r D value
    GlobalTagSet,   // t D text D value
    TagDelete,      // TAG D d
    TagClear,       // TAG D c
    TagSet,         // TAG D r D value
    TagFind,        // TAG D f D find D replace
};

struct TagLine {
    TagLineKind kind = TagLineKind::None;
    std::string tag;    // TAG, as written
    std::string find;   // the find text, or the tag fragment of GlobalTagSet
    std::string value;  // the new value, or the replacement
};

// Classifies strLine with the delimiter strDelimiter. Letters are matched
// without regard to case. The last field (value, replacement) is the text after
// the line's last delimiter; a global set takes everything after "r" D.
// Find-and-replace and set-by-fragment lines with a field missing, and every
// line with fields when the delimiter is empty, are of no known form.
TagLine ClassifyTagLine(const std::string& strLine, const std::string& strDelimiter);

}  // namespace kel
