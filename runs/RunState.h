// State shared by the runs: the drawing being processed and the list file batch's
// counters. The window, the runs and the attribute viewer read and set them.
#pragma once

#include <cstdint>
#include <string>

namespace kel {

// File name of the drawing being processed.
extern std::string strDWGname;
// Full path of the drawing being processed.
extern std::string strDWGpath;
// Full path of the template in use.
extern std::string strTemplatePath;

// Drawings modified in the current list file batch, its wildcard scans included.
extern std::int32_t lngModified;
// A wildcard entry is searched in its folder and all subfolders.
extern bool blnSubfolders;

}  // namespace kel
