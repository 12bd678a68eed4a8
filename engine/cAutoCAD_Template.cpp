// Reading a template file into the engine object: four filters from the
// *INPUT section and the tag lines from the *ATTRIBUTE_TAGS section.
#include <cstddef>
#include <string>
#include <vector>

#include "engine/TagLine.h"
#include "engine/TextLines.h"
#include "platform/FileSystem.h"
#include "engine/cAutoCAD.h"

namespace kel {

namespace {

// Blanks are spaces only; tabs are ordinary characters.
std::string TrimBlanks(const std::string& s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    const auto last = s.find_last_not_of(' ');
    return s.substr(first, last - first + 1);
}

std::string TrimLeadingBlanks(const std::string& s) {
    const auto first = s.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : s.substr(first);
}

// Letters a-z become A-Z; every other byte (UTF-8 sequences included) is kept,
// so the filters stay comparable by any matcher that ignores ASCII case.
std::string UpperAscii(std::string s) {
    for (char& c : s) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return s;
}

// Blanks removed at both ends, upper case.
std::string Reduce(const std::string& s) { return UpperAscii(TrimBlanks(s)); }

const std::string kInputHeader = "*INPUT";
const std::string kTagsHeader = "*ATTRIBUTE_TAGS";

}  // namespace

std::int16_t cAutoCAD::PrepTemplate(const std::string& strTemplateFile) {
    std::string strErr;
    return PrepTemplate(strTemplateFile, strErr);
}

std::int16_t cAutoCAD::PrepTemplate(const std::string& strTemplateFile, std::string& strErr) {
    strTagLines.clear();
    lngTagLineNumbers.clear();
    blnPlaceholders = false;

    std::vector<std::string> lines;
    if (!ReadTextLines(strTemplateFile, lines)) {
        strErr = "Unable to open template file '" + strTemplateFile + "'";
        // A relative name is taken from the current folder, which the user may
        // not have in mind: say where it was looked for.
        const std::string strAbsolute = AbsolutePathText(strTemplateFile);
        if (strAbsolute != strTemplateFile) strErr += " (looked for " + strAbsolute + ")";
        strErr += ".";
        return 0;
    }

    // Preamble: everything up to the *INPUT header (indentation and case free).
    std::size_t i = 0;
    while (i < lines.size() && Reduce(lines[i]) != kInputHeader) ++i;
    if (i == lines.size()) {
        strErr = "Template file requires '*INPUT'.";
        return -1;
    }
    ++i;

    strBlockFilter.clear();
    strLayerFilter.clear();
    strSpaceFilter.clear();
    strLayoutFilter.clear();

    // *INPUT section, up to a line that is exactly the tag section header.
    bool blnTagsHeader = false;
    for (; i < lines.size(); ++i) {
        if (lines[i] == kTagsHeader) {
            blnTagsHeader = true;
            ++i;
            break;
        }
        const std::string strLine = Reduce(lines[i]);
        if (strLine.compare(0, 6, "BLOCK:") == 0) {
            strBlockFilter = TrimLeadingBlanks(strLine.substr(6));
        } else if (strLine.compare(0, 6, "LAYER:") == 0) {
            strLayerFilter = TrimLeadingBlanks(strLine.substr(6));
        } else if (strLine.compare(0, 6, "SPACE:") == 0) {
            strSpaceFilter = TrimLeadingBlanks(strLine.substr(6));
        } else if (strLine.compare(0, 7, "LAYOUT:") == 0) {
            strLayoutFilter = TrimLeadingBlanks(strLine.substr(7));
        } else if (strLine.compare(0, 13, "PLACEHOLDERS:") == 0) {
            blnPlaceholders = TrimLeadingBlanks(strLine.substr(13)) == "ON";
        }
    }
    // The file ended without the exact header. A last line that reads as the
    // header only once trimmed or upper-cased still counts as one with no tag
    // lines after it (the header line itself is the last line read when the
    // section is empty).
    if (!blnTagsHeader && Reduce(lines.back()) != kTagsHeader) {
        strErr = "Template file requires '*ATTRIBUTE_TAGS'.";
        return -2;
    }

    // Tag section: every kept line is a tag line; blank lines and comments are skipped.
    for (; i < lines.size(); ++i) {
        std::string strLine = TrimBlanks(lines[i]);
        if (strLine.empty() || strLine.front() == '\'') continue;
        strTagLines.push_back(std::move(strLine));
        lngTagLineNumbers.push_back(static_cast<std::int32_t>(i + 1));
    }
    if (strTagLines.empty()) {
        strErr = "Template file requires attribute tags.";
        return -3;
    }
    // A placeholder that cannot be filled is refused before any drawing.
    for (std::size_t t = 0; blnPlaceholders && t < strTagLines.size(); ++t) {
        const std::string strWhy = CheckPlaceholders(strTagLines[t]);
        if (strWhy.empty()) continue;
        strErr = "Template line " + std::to_string(lngTagLineNumbers[t]) + ": " + strWhy + ".";
        strTagLines.clear();
        lngTagLineNumbers.clear();
        return -4;
    }
    return 1;
}

std::vector<std::string> cAutoCAD::IgnoredTagLines(const std::string& strDelimiter) const {
    std::vector<std::string> ignored;
    for (std::size_t i = 0; i < strTagLines.size(); ++i) {
        if (ClassifyTagLine(strTagLines[i], strDelimiter).kind != TagLineKind::None) continue;
        const std::string strNumber = i < lngTagLineNumbers.size() ? std::to_string(lngTagLineNumbers[i]) : "?";
        ignored.push_back("Template line " + strNumber +
                          " ignored, not a known tag line (unknown action or a field missing): " + strTagLines[i]);
    }
    return ignored;
}

}  // namespace kel
