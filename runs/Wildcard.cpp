#include "runs/Wildcard.h"

#include <vector>

#include "component/text/Utf8.h"

namespace kel {

namespace {

// Code points of UTF-8 text, ASCII letters folded to lower case. A byte that
// starts no valid sequence stands for itself.
std::vector<char32_t> FoldedCodePoints(const std::string& strText) {
    std::vector<char32_t> out;
    for (std::size_t i = 0; i < strText.size();) {
        char32_t cp = 0;
        std::size_t len = text::ReadUtf8(strText, i, cp);
        if (len == 0) {
            cp = static_cast<unsigned char>(strText[i]);
            len = 1;
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
