// kel-batch -t TEMPLATE [OPTIONS] DRAWING...: the Modify run on the command line.
#pragma once

#include <ostream>

#include "cli/Arguments.h"

namespace kel::cli {

// Prints each System Messages text as a line on out, failures and the end
// summary on err. Returns an exit code of cli/ExitCodes.h.
int RunModifyCommand(const CliArguments& args, std::ostream& out, std::ostream& err);

}  // namespace kel::cli
