// Handles as text, the same for every drawing format: upper-case hexadecimal
// without leading zeros when written; when read, blanks around the text and
// leading zeros are ignored and letters may be of either case.
#pragma once

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>

namespace kel {

inline bool IsHandleBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The text without the blanks (spaces, tabs, line ends) around it.
inline std::string_view TrimHandleText(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && IsHandleBlank(text[b])) ++b;
    while (e > b && IsHandleBlank(text[e - 1])) --e;
    return text.substr(b, e - b);
}

// False when the text is no handle (empty, not hexadecimal, more than 64 bits).
inline bool ParseHandle(std::string_view text, std::uint64_t& value) {
    text = TrimHandleText(text);
    while (text.size() > 1 && text.front() == '0') text.remove_prefix(1);
    if (text.empty() || text.size() > 16) return false;
    std::uint64_t v = 0;
    for (const char c : text) {
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else return false;
        v = v * 16 + static_cast<std::uint64_t>(d);
    }
    value = v;
    return true;
}

inline std::string FormatHandle(std::uint64_t value) {
    char buf[16];  // 64 bits take at most 16 digits
    char* end = std::to_chars(buf, buf + sizeof buf, value, 16).ptr;
    for (char* c = buf; c != end; ++c) {
        if (*c >= 'a') *c = static_cast<char>(*c - 'a' + 'A');
    }
    return std::string(buf, end);
}

}  // namespace kel
