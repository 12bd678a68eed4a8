#include "engine/TagLine.h"

#include "engine/TextSearch.h"

namespace kel {
namespace {

// True when strText at lngAt begins with the letter (either case) followed by D.
bool LetterThenDelimiter(const std::string& strText, std::size_t lngAt, char chLetter, const std::string& D) {
    if (strText.size() < lngAt + 1 + D.size()) return false;
    char c = strText[lngAt];
    if (c != chLetter && c != chLetter - 'a' + 'A') return false;
    return strText.compare(lngAt + 1, D.size(), D) == 0;
}

bool LetterAt(const std::string& strText, std::size_t lngAt, char chLetter) {
    return lngAt < strText.size() && (strText[lngAt] == chLetter || strText[lngAt] == chLetter - 'a' + 'A');
}

}  // namespace

TagLine ClassifyTagLine(const std::string& L, const std::string& D) {
    TagLine t;
    if (EqualsNoCase(L, "d")) {
        t.kind = TagLineKind::GlobalDelete;
        return t;
    }
    if (EqualsNoCase(L, "c")) {
        t.kind = TagLineKind::GlobalClear;
        return t;
    }
    if (D.empty()) return t;

    const std::size_t lastD = L.rfind(D);
    const std::size_t afterFirst = 1 + D.size();
    if (LetterThenDelimiter(L, 0, 'f', D) || LetterThenDelimiter(L, 0, 't', D)) {
        if (lastD < afterFirst) return t;  // only two fields
        t.kind = LetterAt(L, 0, 'f') ? TagLineKind::GlobalFind : TagLineKind::GlobalTagSet;
        t.find = L.substr(afterFirst, lastD - afterFirst);
        t.value = L.substr(lastD + D.size());
        return t;
    }
    if (LetterThenDelimiter(L, 0, 'r', D)) {
        t.kind = TagLineKind::GlobalSet;
        t.value = L.substr(afterFirst);
        return t;
    }

    const std::size_t P = L.find(D);
    if (P == std::string::npos) return t;
    const std::size_t op = P + D.size();  // the letter right after TAG D
    t.tag = L.substr(0, P);
    if (LetterAt(L, op, 'd')) {
        t.kind = TagLineKind::TagDelete;
    } else if (LetterAt(L, op, 'c')) {
        t.kind = TagLineKind::TagClear;
    } else if (LetterThenDelimiter(L, op, 'r', D)) {
        t.kind = TagLineKind::TagSet;
        t.value = L.substr(lastD + D.size());
    } else if (LetterThenDelimiter(L, op, 'f', D)) {
        const std::size_t findAt = op + 1 + D.size();
        const std::size_t findEnd = L.find(D, findAt);
        if (findEnd == std::string::npos) return t;  // no replacement field
        t.kind = TagLineKind::TagFind;
        t.find = L.substr(findAt, findEnd - findAt);
        t.value = L.substr(lastD + D.size());
    }
    return t;
}

}  // namespace kel
