// File name wildcards: "*" matches any run of characters, "?" exactly one
// character; letters match without regard to case.
#pragma once

#include <string>

namespace kel {

// Characters are UTF-8 code points; only ASCII letters are folded. A pattern
// ending in ".*" also matches a name without any "." ("*.*" matches every name).
bool WildcardMatch(const std::string& strPattern, const std::string& strName);

// True when the text holds "*" or "?".
bool HasWildcard(const std::string& strText);

}  // namespace kel
