// kel-batch --export OUT.xlsx|OUT.csv SOURCES... and --import IN.xlsx|IN.csv:
// the drawings' attributes to a spreadsheet and its changed cells back.
#pragma once

#include <ostream>

#include "cli/Arguments.h"

namespace kel::cli {

// Both return an exit code of cli/ExitCodes.h. A build without the
// spreadsheet libraries says so and returns kExitNotRun.
int RunExportCommand(const CliArguments& args, std::ostream& out, std::ostream& err);
int RunImportCommand(const CliArguments& args, std::ostream& out, std::ostream& err);

}  // namespace kel::cli
