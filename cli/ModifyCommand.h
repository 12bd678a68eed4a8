// kel-batch -t TEMPLATE [-d DELIM] [--no-audit] DRAWING...
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace kel::cli {

// args are the arguments after the program name, "-t" included. Prints each
// System Messages text as a line on out. Returns 0 when no drawing failed, 1
// when some did, 2 when the template was rejected, the component could not be
// created or the arguments are wrong.
int RunModifyCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace kel::cli
