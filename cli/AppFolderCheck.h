// The check every kel-batch command makes of the application folder before it
// touches a drawing: logs and work files go there.
#pragma once

#include <iosfwd>

namespace kel::cli {

// Says once on err when the application folder cannot be used. False when the
// command cannot go on without it (blnRequired); with !blnRequired the message
// is a warning and the command goes on.
bool CheckApplicationFolder(std::ostream& err, bool blnRequired);

}  // namespace kel::cli
