// The per-user application folder holding the logs, work files and help file.
#pragma once

#include <string>

namespace kel {

// $KEL_HOME when set, otherwise $XDG_DATA_HOME/KEL or ~/.local/share/KEL
// (%APPDATA%\KEL on Windows). Created when missing. No trailing separator,
// except for a root folder. With strProblem, that is set to why the folder
// cannot be used (it cannot be created, is not a folder, or may not be
// written), and cleared when it can.
std::string ApplicationFolder(std::string* strProblem = nullptr);

// Where ApplicationFolder looks, in this system's words, for help texts.
const char* ApplicationFolderRule();

}  // namespace kel
