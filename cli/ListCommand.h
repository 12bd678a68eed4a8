// kel-batch LIST.dlf [-d DELIM] [--no-audit]: the drawing list file batch.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace kel::cli {

// Prints each System Messages text as a line on out. Returns 0 when no entry
// failed (an "END" line included), 1 when some did, 2 when the list file is
// missing or unreadable, the component could not be created or the arguments
// are wrong.
int RunListCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace kel::cli
