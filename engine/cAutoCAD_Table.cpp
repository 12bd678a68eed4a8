// Reading a flat XML file into the attribute table. The column set is learnt
// from the first record; every record is then taken as the same number of
// lines: start line, one line per column, end line.
#include <string>
#include <string_view>
#include <vector>

#include "engine/TextLines.h"
#include "engine/TextSearch.h"
#include "engine/XmlCharRefs.h"
#include "engine/cAutoCAD.h"
#include "platform/FileSystem.h"

namespace kel {
namespace {

constexpr std::size_t kMaxColumns = 32767;

// The value of a trimmed one-line element: "" for an element without a value,
// otherwise the text between the start tag and the end tag, character
// references decoded. False when the line has no end tag after its value.
bool FieldValue(std::string_view strLine, std::string& strValue) {
    if (strLine.find("></", 1) != std::string_view::npos || strLine.find(" />", 1) != std::string_view::npos) {
        strValue.clear();
        return true;
    }
    std::size_t gt = strLine.find('>');
    std::string_view text = gt == std::string_view::npos ? strLine : strLine.substr(gt + 1);
    std::size_t endTag = text.find("</", 1);
    if (endTag == std::string_view::npos) return false;
    text = text.substr(0, endTag);
    // Most values hold no character reference and are taken as they stand.
    if (text.find('&') == std::string_view::npos) {
        strValue.assign(text);
    } else {
        strValue = DecodeXmlCharRefs(std::string(text));
    }
    return true;
}

}  // namespace

std::int16_t cAutoCAD::FlatXMLfileToArray(const std::string& strXMLFile, std::optional<AttributeTable>& varArray,
                                          bool blnIncludeHeadings) {
    if (!FileExists(strXMLFile)) return -1;

    // The file is read once; the passes below walk its lines.
    std::string text;
    std::vector<std::string_view> lines;
    ReadTextLineViews(strXMLFile, text, lines);

    std::size_t header = 0;
    if (!lines.empty() && ContainsNoCase(TrimBlanksView(lines[0]), "<?xml version=")) ++header;
    if (lines.size() >= 2 && TrimBlanksView(lines[1]).empty()) ++header;
    if (lines.size() < header + 3) return -2;

    // Columns: the field lines of the first record, blank lines skipped.
    std::size_t pos = header;
    const std::string_view root = lines[pos++];
    const bool single = root == "<DrawingInformation>";
    const std::string_view start = single ? root : lines[pos++];
    const std::string endLine = ReplaceAllNoCase(start, "<", "</");
    std::vector<std::string> names;
    for (;;) {
        if (pos >= lines.size()) return -3;
        const bool last = pos + 1 == lines.size();
        const std::string_view line = TrimBlanksView(lines[pos++]);
        if (last || line == endLine) break;
        if (line.empty()) continue;
        std::size_t gt = line.find('>', 1);
        if (gt == std::string_view::npos) return -3;
        names.emplace_back(line.substr(1, gt - 1));
        if (names.size() > kMaxColumns) return -3;
    }
    if (names.empty()) return -3;

    std::size_t records = 1;
    if (!single) {
        records = 0;
        for (std::size_t i = header; i < lines.size(); ++i) {
            if (lines[i] == endLine) ++records;
        }
    }
    const std::size_t firstRow = blnIncludeHeadings ? 1 : 0;
    const std::size_t rows = records + firstRow;
    if (rows == 0) return -3;

    varArray.emplace(rows, names.size());
    AttributeTable& table = *varArray;
    if (blnIncludeHeadings) {
        for (std::size_t c = 0; c < names.size(); ++c) table.Cell(0, c) = names[c];
    }

    // Records, each exactly as long as the first one.
    pos = header + (single ? 0 : 1);
    for (std::size_t r = firstRow; r < rows; ++r) {
        if (pos >= lines.size()) return -3;
        ++pos;  // start line
        for (std::size_t c = 0; c < names.size(); ++c) {
            if (pos >= lines.size()) return -3;
            const std::string_view line = TrimBlanksView(lines[pos++]);
            if (line.empty()) continue;
            std::string value;
            if (!FieldValue(line, value)) return -3;
            table.Cell(r, c) = std::move(value);
        }
        if (pos >= lines.size()) return -3;
        ++pos;  // end line
    }
    return 1;
}

}  // namespace kel
