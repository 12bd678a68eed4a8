// The group code and value pairs of an xrecord's data, as far as KEL needs
// them: where each pair lies and the texts among them. A multi-line
// attribute's copy of its text (the ACAD_MLATT record in its extension
// dictionary) is such a text: the groups 3 and 1 behind the text
// "Embedded Object".
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "component/dwg/DwgTypes.h"

namespace kel::dwg {

struct XrecordPair {
    int code = 0;
    std::size_t start = 0;  // byte range of the pair in the data, group code included
    std::size_t end = 0;
    bool isText = false;
    std::string text;  // texts: UTF-8 from R2007 on, code page bytes before
};

// Splits the data into its pairs. False when a group code of a kind not
// known here comes up, or a value runs past the end.
bool ParseXrecordPairs(std::string_view data, Version v, std::vector<XrecordPair>& pairs);

// The pairs that hold the embedded text (a run of groups 3 closed by a
// group 1, behind the group 1 "Embedded Object"), or an empty range.
struct EmbeddedText {
    std::size_t first = 0, last = 0;  // indexes into the pairs, last one past the end
    bool Found() const { return last > first; }
};
EmbeddedText FindEmbeddedText(const std::vector<XrecordPair>& pairs);

// The pairs that store `text` (same form as XrecordPair::text): groups 3
// of at most 250 characters, closed by a group 1. `codePage` is the byte
// written ahead of each code page text before R2007.
std::string EncodeTextPairs(const std::string& text, Version v, std::uint8_t codePage);

// The code page byte the first text of the pairs carries, or 0.
std::uint8_t TextCodePageByte(std::string_view data, const std::vector<XrecordPair>& pairs);

}  // namespace kel::dwg
