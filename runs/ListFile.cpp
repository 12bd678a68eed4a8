#include "runs/ListFile.h"

#include <cstdio>

#include "engine/TextLines.h"
#include "platform/FileSystem.h"
#include "runs/PathText.h"

namespace kel {

ListLine ParseListLine(const std::string& strLine) {
    ListLine result;
    const std::string strTrimmed = StripBlanks(strLine);
    if (strTrimmed.empty() || strTrimmed[0] == '\'') return result;
    if (UpperAscii(strTrimmed) == "END") {
        result.kind = ListLine::Kind::End;
        return result;
    }
    const auto comma = strTrimmed.find(',');
    if (comma == std::string::npos) return result;
    result.kind = ListLine::Kind::Entry;
    result.strDrawing = strTrimmed.substr(0, comma);
    result.strTemplate = strTrimmed.substr(comma + 1);
    return result;
}

bool ReadListFile(const std::string& strPath, std::vector<std::string>& lines, std::string& strErr) {
    lines.clear();
    std::string bytes;
    if (!ReadWholeFile(strPath, bytes, strErr)) return false;
    if (bytes.find('\0') != std::string::npos) {
        strErr = "not a text file";
        return false;
    }
    lines = SplitLines(DecodeText(bytes));
    return true;
}

}  // namespace kel

namespace kel {

namespace {

bool EndsWithNoCase(const std::string& strText, const std::string& strEnd) {
    if (strText.size() < strEnd.size()) return false;
    for (std::size_t i = 0; i < strEnd.size(); ++i) {
        char c = strText[strText.size() - strEnd.size() + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != strEnd[i]) return false;
    }
    return true;
}

std::string TrimmedUpper(const std::string& strLine) {
    const auto first = strLine.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    std::string s = strLine.substr(first, strLine.find_last_not_of(" \t") - first + 1);
    for (char& c : s) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return s;
}

}  // namespace

ListFileGuess GuessListFileKind(const std::string& strPath) {
    if (EndsWithNoCase(strPath, ".dwg") || EndsWithNoCase(strPath, ".dxf")) return ListFileGuess::Drawing;
    std::vector<std::string> lines;
    std::string strErr;
    if (!ReadListFile(strPath, lines, strErr)) {
        // Binary: a DWG or a binary DXF under another name.
        std::FILE* f = OpenFileUtf8(strPath, "rb");
        if (!f) return ListFileGuess::List;
        char head[18] = {};
        const std::size_t n = std::fread(head, 1, sizeof head, f);
        std::fclose(f);
        const std::string start(head, n);
        const bool drawing = start.rfind("AC1", 0) == 0 || start.rfind("AutoCAD Binary DXF", 0) == 0;
        return drawing ? ListFileGuess::Drawing : ListFileGuess::List;
    }
    std::size_t firstText = 0;
    while (firstText < lines.size() && TrimmedUpper(lines[firstText]).empty()) ++firstText;
    if (firstText + 1 < lines.size() && TrimmedUpper(lines[firstText]) == "0" &&
        TrimmedUpper(lines[firstText + 1]) == "SECTION") {
        return ListFileGuess::Drawing;
    }
    bool input = false;
    for (const std::string& strLine : lines) {
        if (!input) {
            input = TrimmedUpper(strLine) == "*INPUT";
        } else if (strLine == "*ATTRIBUTE_TAGS") {
            return ListFileGuess::Template;
        }
    }
    return ListFileGuess::List;
}

}  // namespace kel
