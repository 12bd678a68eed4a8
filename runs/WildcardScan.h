// The wildcard scan of one list file entry: the drawings its wildcard names,
// in its folder or in the whole tree below it.
#pragma once

#include <string>
#include <vector>

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

// The drawings a wildcard entry of a list file names: for a file name without
// an extension ("A*") the matching .dwg drawings of its folder and every
// subfolder, otherwise the matching files of its folder alone.
std::vector<std::string> FindEntryDrawings(const std::string& strEntry, IStatusLine& status);

}  // namespace kel
