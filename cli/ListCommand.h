// kel-batch [OPTIONS] LIST.dlf: the drawing list file batch on the command line.
#pragma once

#include <ostream>

#include "cli/Arguments.h"

namespace kel::cli {

// Prints each System Messages text as a line on out, failures and the end
// summary on err. Returns an exit code of cli/ExitCodes.h; an "END" line
// counts as the end of the list.
int RunListCommand(const CliArguments& args, std::ostream& out, std::ostream& err);

}  // namespace kel::cli
