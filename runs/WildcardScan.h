// The wildcard scan of one list file entry: find the drawings its wildcard
// names, in its folder or in the whole tree below it, and apply the entry's
// template to each with an engine object of its own.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "engine/IUserMessages.h"
#include "engine/cAutoCAD.h"
#include "runs/RunWindow.h"

namespace kel {

// The files of strFolder whose names match strPattern, as strFolder followed by
// the name. Hidden files ("." names) and folders are left out. An empty folder
// means the current folder, and the names then have no folder part.
std::vector<std::string> ListMatchingFiles(const std::string& strFolder, const std::string& strPattern,
                                           IStatusLine& status);

// The matching files of strFolder and of every subfolder at any depth: a
// folder's files before those of its subfolders, subfolders depth first in name
// order. Hidden subfolders are not entered; hidden files inside entered folders
// are found. Each real folder is entered once, so link loops end.
std::vector<std::string> ScanFolder(const std::string& strFolder, const std::string& strPattern,
                                    IStatusLine& status);

// Where a scan reports: by default it writes neither log; a batch that logs
// its scans passes both. Templates in warned have had their ignored lines
// reported already.
struct ScanLogs {
    LogFile* audit = nullptr;
    LogFile* errors = nullptr;
    std::set<std::string>* warned = nullptr;
};

struct ScanResult {
    bool blnComponentCreated = false;
    std::vector<std::string> found;
    int modified = 0;
    // The template was rejected, or a found drawing was not modified and saved.
    int failures = 0;
    // Lines written to the error log: failures and ignored template lines.
    int errorLines = 0;
    int warnings = 0;
};

// Runs the scan for the entry held in strDWGpath, strDWGname, strTemplatePath
// and blnSubfolders; adds the saved drawings to lngModified.
ScanResult RunWildcardScan(const std::string& strDelimiter, const ComponentFactory& factory,
                           IUserMessages* messages, IStatusLine& status, const ScanLogs& logs = {});

}  // namespace kel
