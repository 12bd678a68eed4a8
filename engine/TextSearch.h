// Text helpers shared by the flattener, the table reader and the modification
// walk: searching without regard to letter case, blank trimming.
// Letter case is folded for ASCII letters only; other bytes compare as they are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kel {

// Position of the first occurrence of strFind in strText at or after lngFrom,
// ignoring letter case; npos when there is none. The empty text is found at lngFrom.
std::size_t FindNoCase(std::string_view strText, std::string_view strFind, std::size_t lngFrom = 0);

// True when strFind occurs in strText, ignoring letter case (the empty text always does).
bool ContainsNoCase(std::string_view strText, std::string_view strFind);

// True when both texts are equal, ignoring letter case.
bool EqualsNoCase(std::string_view strA, std::string_view strB);

// A number that is the same for any two texts EqualsNoCase calls equal (and
// seldom the same for others): a quick test before the comparison.
std::uint32_t FoldedKey(std::string_view strText);

// Every occurrence of strFind, found left to right without overlap and ignoring
// letter case, replaced by strReplace as written. An empty strFind changes nothing.
std::string ReplaceAllNoCase(std::string_view strText, std::string_view strFind, std::string_view strReplace);

// strText with every occurrence of strPiece (exact) removed.
std::string RemoveAll(std::string_view strText, std::string_view strPiece);

// strText without space characters at either end (tabs and other blanks stay).
std::string TrimBlanks(std::string_view strText);

// The same as TrimBlanks, as a view into strText.
std::string_view TrimBlanksView(std::string_view strText);

}  // namespace kel
