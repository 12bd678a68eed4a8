#include "engine/TextLines.h"

#include "platform/FileSystem.h"

namespace kel {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

std::string Latin1ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out.push_back(ch);
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::string DecodeText(std::string_view bytes) {
    if (!IsValidUtf8(bytes)) return Latin1ToUtf8(bytes);
    if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark) bytes.remove_prefix(kByteOrderMark.size());
    return std::string(bytes);
}

std::vector<std::string_view> SplitLineViews(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t newlines = 0;
    for (const char c : text) newlines += c == '\n';
    lines.reserve(newlines + 1);
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(text.substr(start, i - start));
            i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

std::vector<std::string> SplitLines(std::string_view text) {
    const std::vector<std::string_view> views = SplitLineViews(text);
    return std::vector<std::string>(views.begin(), views.end());
}

bool ReadTextLines(const std::string& strPath, std::vector<std::string>& lines, std::string* strErr) {
    lines.clear();
    std::string bytes;
    std::string err;
    if (!ReadWholeFile(strPath, bytes, err)) {
        if (strErr) *strErr = err;
        return false;
    }
    // Valid UTF-8 is split where it lies; only Latin-1 text needs a converted copy.
    std::string_view text = bytes;
    if (!IsValidUtf8(text)) {
        lines = SplitLines(Latin1ToUtf8(text));
        return true;
    }
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) text.remove_prefix(kByteOrderMark.size());
    lines = SplitLines(text);
    return true;
}

}  // namespace kel

namespace kel {

bool ReadTextLineViews(const std::string& strPath, std::string& strText, std::vector<std::string_view>& lines,
                       std::string* strErr) {
    lines.clear();
    strText.clear();
    std::string err;
    if (!ReadWholeFile(strPath, strText, err)) {
        strText.clear();
        if (strErr) *strErr = err;
        return false;
    }
    std::string_view text = strText;
    if (!IsValidUtf8(text)) {
        strText = Latin1ToUtf8(text);
        text = strText;
    } else if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        text.remove_prefix(kByteOrderMark.size());
    }
    lines = SplitLineViews(text);
    return true;
}

}  // namespace kel
