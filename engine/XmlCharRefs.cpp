#include "engine/XmlCharRefs.h"

#include <cstdint>
#include <string_view>

#include "component/text/Utf8.h"

namespace kel {
namespace {

using text::AppendUtf8;

// Parses the body of a numeric reference ("#65" or "#x41"); false when it is
// not a valid character number.
bool ParseNumeric(std::string_view body, std::uint32_t& cp) {
    if (body.size() < 2 || body[0] != '#') return false;
    int base = 10;
    std::size_t i = 1;
    if (body[1] == 'x' || body[1] == 'X') {
        base = 16;
        i = 2;
    }
    if (i >= body.size()) return false;
    std::uint32_t v = 0;
    for (; i < body.size(); ++i) {
        char c = body[i];
        int d;
        if (c >= '0' && c <= '9') {
            d = c - '0';
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            d = c - 'a' + 10;
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            d = c - 'A' + 10;
        } else {
            return false;
        }
        v = v * base + static_cast<std::uint32_t>(d);
        if (v > 0x10FFFF) return false;
    }
    if (v >= 0xD800 && v <= 0xDFFF) return false;
    cp = v;
    return true;
}

}  // namespace

std::string DecodeXmlCharRefs(const std::string& strText) {
    std::string out;
    out.reserve(strText.size());
    std::size_t i = 0;
    while (i < strText.size()) {
        if (strText[i] != '&') {
            out += strText[i++];
            continue;
        }
        std::size_t semi = strText.find(';', i + 1);
        // Longest reference is "&#x10FFFF;" or a named one; a far semicolon is not ours.
        if (semi == std::string::npos || semi - i > 12) {
            out += strText[i++];
            continue;
        }
        std::string_view body(strText.data() + i + 1, semi - i - 1);
        std::uint32_t cp = 0;
        if (body == "lt") {
            out += '<';
        } else if (body == "gt") {
            out += '>';
        } else if (body == "amp") {
            out += '&';
        } else if (body == "quot") {
            out += '"';
        } else if (body == "apos") {
            out += '\'';
        } else if (ParseNumeric(body, cp)) {
            AppendUtf8(out, cp);
        } else {
            out += strText[i++];
            continue;
        }
        i = semi + 1;
    }
    return out;
}

}  // namespace kel
