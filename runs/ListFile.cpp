#include "runs/ListFile.h"

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
