// Decoding of XML character references in element text.
#pragma once

#include <string>

namespace kel {

// strText with &lt; &gt; &amp; &quot; &apos; and numeric references (&#N; and
// &#xH;) replaced by the characters they stand for, numeric ones encoded as
// UTF-8. Decoding is one left-to-right pass, so "&amp;lt;" becomes "&lt;".
// A reference that is unknown, unterminated or names no valid character is
// kept as written.
std::string DecodeXmlCharRefs(const std::string& strText);

}  // namespace kel
