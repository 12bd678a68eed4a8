#include "runs/Wildcard.h"

#include <vector>

namespace kel {

namespace {

// Code points of UTF-8 text, ASCII letters folded to lower case. A byte that
// starts no valid sequence stands for itself.
std::vector<char32_t> FoldedCodePoints(const std::string& strText) {
    std::vector<char32_t> out;
    for (std::size_t i = 0; i < strText.size();) {
        const auto c = static_cast<unsigned char>(strText[i]);
        std::size_t len = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 1;
        if (i + len > strText.size()) len = 1;
        char32_t cp = len == 1 ? c : c & (0x7F >> len);
        for (std::size_t k = 1; k < len; ++k) {
            const auto next = static_cast<unsigned char>(strText[i + k]);
            if ((next & 0xC0) != 0x80) {
                len = 1;
                cp = c;
                break;
            }
            cp = (cp << 6) | (next & 0x3F);
        }
        if (cp >= 'A' && cp <= 'Z') cp += 'a' - 'A';
        out.push_back(cp);
        i += len;
    }
    return out;
}

bool MatchCodePoints(const std::vector<char32_t>& p, const std::vector<char32_t>& n) {
    std::size_t pi = 0, ni = 0;
    // Position after the last "*" seen, and the name position it is tried at.
    std::size_t starP = std::string::npos, starN = 0;
    while (ni < n.size()) {
        if (pi < p.size() && (p[pi] == U'?' || (p[pi] != U'*' && p[pi] == n[ni]))) {
            ++pi;
            ++ni;
        } else if (pi < p.size() && p[pi] == U'*') {
            starP = ++pi;
            starN = ni;
        } else if (starP != std::string::npos) {
            pi = starP;
            ni = ++starN;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == U'*') ++pi;
    return pi == p.size();
}

}  // namespace

bool WildcardMatch(const std::string& strPattern, const std::string& strName) {
    const auto p = FoldedCodePoints(strPattern);
    const auto n = FoldedCodePoints(strName);
    if (MatchCodePoints(p, n)) return true;
    // As in the usual file name rule, a trailing ".*" also matches a name without
    // any extension ("*.*" lists every file).
    const bool trailingDotStar = p.size() >= 2 && p[p.size() - 2] == U'.' && p.back() == U'*';
    bool nameHasDot = false;
    for (char32_t c : n) nameHasDot = nameHasDot || c == U'.';
    return trailingDotStar && !nameHasDot && MatchCodePoints({p.begin(), p.end() - 2}, n);
}

bool HasWildcard(const std::string& strText) { return strText.find_first_of("*?") != std::string::npos; }

}  // namespace kel
