// Reading the user's text files (templates, list files, work files) as lines.
//
// Text is UTF-8. A file that is not valid UTF-8 is taken to be Latin-1 and
// converted, so every string handed on is UTF-8. Lines end at CR LF, at a lone
// CR or at a lone LF; the terminator is not part of the line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "component/text/Utf8.h"

namespace kel {

// True when the bytes form valid UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF): the one check the drawing component also uses.
using text::IsValidUtf8;

// Each byte taken as a Latin-1 character, written as UTF-8.
std::string Latin1ToUtf8(std::string_view bytes);

// UTF-8 text of the bytes: unchanged when valid UTF-8 (a leading byte order
// mark is dropped), otherwise converted from Latin-1.
std::string DecodeText(std::string_view bytes);

// Splits text into lines. A terminator at the very end does not start another
// line, so "" gives no line and "a\r\n" gives one.
std::vector<std::string> SplitLines(std::string_view text);

// The same lines as views into text; they stay valid while text does.
std::vector<std::string_view> SplitLineViews(std::string_view text);

// Reads a whole text file, decodes it and splits it into lines. Returns false
// (lines left empty) when the path cannot be opened for reading, a folder
// included; strErr, when given, then says why.
bool ReadTextLines(const std::string& strPath, std::vector<std::string>& lines, std::string* strErr = nullptr);

// As ReadTextLines, without a string per line: strText receives the file's
// bytes (converted when Latin-1) and lines views into it. The views are valid
// while strText is neither changed nor destroyed.
bool ReadTextLineViews(const std::string& strPath, std::string& strText, std::vector<std::string_view>& lines,
                       std::string* strErr = nullptr);

}  // namespace kel
