// kel-batch --runs and --undo [ID]: the journal of the runs that changed drawings.
#pragma once

#include <ostream>

#include "cli/Arguments.h"

namespace kel::cli {

// Lists the runs that can be undone, oldest first: id, time, drawings, space, template.
int RunRunsCommand(const CliArguments& args, std::ostream& out, std::ostream& err);

// Puts back the drawings of a run; each one left alone is printed on err with
// the reason. Exit 0 when every drawing went back, 1 when some did not, 2 for
// an unknown run.
int RunUndoCommand(const CliArguments& args, std::ostream& out, std::ostream& err);

}  // namespace kel::cli
