// Text helpers shared by the flattener, the table reader and the modification
// walk: searching without regard to letter case, blank trimming.
// Letter case is folded for ASCII letters only; other bytes compare as they are.
#pragma once

#include <cstddef>
#include <string>

namespace kel {

// Position of the first occurrence of strFind in strText at or after lngFrom,
// ignoring letter case; npos when there is none. The empty text is found at lngFrom.
std::size_t FindNoCase(const std::string& strText, const std::string& strFind, std::size_t lngFrom = 0);

// True when strFind occurs in strText, ignoring letter case (the empty text always does).
bool ContainsNoCase(const std::string& strText, const std::string& strFind);

// True when both texts are equal, ignoring letter case.
bool EqualsNoCase(const std::string& strA, const std::string& strB);

// Every occurrence of strFind, found left to right without overlap and ignoring
// letter case, replaced by strReplace as written. An empty strFind changes nothing.
std::string ReplaceAllNoCase(const std::string& strText, const std::string& strFind,
                             const std::string& strReplace);

// strText with every occurrence of strPiece (exact) removed.
std::string RemoveAll(const std::string& strText, const std::string& strPiece);

// strText without space characters at either end (tabs and other blanks stay).
std::string TrimBlanks(const std::string& strText);

}  // namespace kel
