#include "engine/TextSearch.h"

namespace kel {
namespace {

char Fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::size_t FindNoCase(std::string_view strText, std::string_view strFind, std::size_t lngFrom) {
    if (lngFrom > strText.size()) return std::string::npos;
    if (strFind.empty()) return lngFrom;
    if (strFind.size() > strText.size()) return std::string::npos;
    const std::size_t last = strText.size() - strFind.size();
    const char first = Fold(strFind[0]);
    // A first character without case (most often '<') is found with a plain search.
    const bool caseless = first == strFind[0] && !(first >= 'a' && first <= 'z');
    for (std::size_t i = lngFrom; i <= last; ++i) {
        if (caseless) {
            i = strText.find(first, i);
            if (i == std::string::npos || i > last) return std::string::npos;
        } else if (Fold(strText[i]) != first) {
            continue;
        }
        std::size_t k = 1;
        while (k < strFind.size() && Fold(strText[i + k]) == Fold(strFind[k])) ++k;
        if (k == strFind.size()) return i;
    }
    return std::string::npos;
}

bool ContainsNoCase(std::string_view strText, std::string_view strFind) {
    return FindNoCase(strText, strFind) != std::string::npos;
}

bool EqualsNoCase(std::string_view strA, std::string_view strB) {
    if (strA.size() != strB.size()) return false;
    for (std::size_t i = 0; i < strA.size(); ++i) {
        if (Fold(strA[i]) != Fold(strB[i])) return false;
    }
    return true;
}

std::uint32_t FoldedKey(std::string_view strText) {
    std::uint32_t key = 2166136261u;
    for (char c : strText) key = (key ^ static_cast<unsigned char>(Fold(c))) * 16777619u;
    return key;
}

std::string ReplaceAllNoCase(std::string_view strText, std::string_view strFind, std::string_view strReplace) {
    if (strFind.empty()) return std::string(strText);
    std::string out;
    std::size_t pos = 0;
    for (;;) {
        std::size_t hit = FindNoCase(strText, strFind, pos);
        if (hit == std::string::npos) break;
        out.append(strText.substr(pos, hit - pos));
        out += strReplace;
        pos = hit + strFind.size();
    }
    out.append(strText.substr(pos));
    return out;
}

std::string RemoveAll(std::string_view strText, std::string_view strPiece) {
    if (strPiece.empty()) return std::string(strText);
    std::string out;
    std::size_t pos = 0;
    for (;;) {
        std::size_t hit = strText.find(strPiece, pos);
        if (hit == std::string::npos) break;
        out.append(strText.substr(pos, hit - pos));
        pos = hit + strPiece.size();
    }
    out.append(strText.substr(pos));
    return out;
}

std::string TrimBlanks(std::string_view strText) { return std::string(TrimBlanksView(strText)); }

std::string_view TrimBlanksView(std::string_view strText) {
    std::size_t b = strText.find_first_not_of(' ');
    if (b == std::string_view::npos) return {};
    std::size_t e = strText.find_last_not_of(' ');
    return strText.substr(b, e - b + 1);
}

}  // namespace kel
