#include "runs/PathText.h"

#include "platform/FileSystem.h"

namespace kel {

bool IsPathSeparator(char c) { return c == '/' || c == PathSeparator(); }

namespace {

std::string::size_type LastSeparator(const std::string& strPath) {
    for (auto i = strPath.size(); i > 0; --i) {
        if (IsPathSeparator(strPath[i - 1])) return i - 1;
    }
    return std::string::npos;
}

}  // namespace

std::string GetFileName(const std::string& strPath) {
    const auto pos = LastSeparator(strPath);
    return pos == std::string::npos ? strPath : strPath.substr(pos + 1);
}

std::string FolderPart(const std::string& strPath) {
    const auto pos = LastSeparator(strPath);
    return pos == std::string::npos ? std::string() : strPath.substr(0, pos + 1);
}

std::string JoinPath(const std::string& strFolder, const std::string& strName) {
    if (strFolder.empty() || IsPathSeparator(strFolder.back())) return strFolder + strName;
    return strFolder + PathSeparator() + strName;
}

std::string UpperAscii(std::string strText) {
    for (char& c : strText) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return strText;
}

std::string StripBlanks(const std::string& strText) {
    const auto first = strText.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    const auto last = strText.find_last_not_of(' ');
    return strText.substr(first, last - first + 1);
}

}  // namespace kel
