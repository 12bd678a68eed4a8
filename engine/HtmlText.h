// Text placed into an HTML page.
#pragma once

#include <string>

namespace kel {

// strText with the characters that markup gives a meaning to written as
// character references: & as &amp;, < as &lt;, > as &gt; and " as &quot;.
// Every other byte, UTF-8 sequences included, is kept as it is.
std::string EscapeHtml(const std::string& strText);

}  // namespace kel
