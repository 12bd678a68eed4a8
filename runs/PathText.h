// Small text helpers for the paths and messages of the runs.
#pragma once

#include <string>

namespace kel {

// True for the platform separator, and for "/" on every platform.
bool IsPathSeparator(char c);

// The text after the last separator; the whole path when it has none.
std::string GetFileName(const std::string& strPath);

// The text up to and including the last separator; "" when there is none.
std::string FolderPart(const std::string& strPath);

// Folder and name with one separator between; no separator is added when the
// folder is empty or already ends with one (a root folder).
std::string JoinPath(const std::string& strFolder, const std::string& strName);

// ASCII letters in upper case; every other byte unchanged (UTF-8 stays valid).
std::string UpperAscii(std::string strText);

// The text without spaces at either end (tabs are kept).
std::string StripBlanks(const std::string& strText);

}  // namespace kel
