// The per-user application folder holding the logs, work files and help file.
#pragma once

#include <string>

namespace kel {

// $KEL_HOME when set, otherwise $XDG_DATA_HOME/KEL or ~/.local/share/KEL
// (%APPDATA%\KEL on Windows). Created when missing. No trailing separator,
// except for a root folder.
std::string ApplicationFolder();

}  // namespace kel
