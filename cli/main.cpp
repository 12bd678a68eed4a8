// kel-batch: the command-line front of KEL. The arguments become one value
// (cli/Arguments.h); each command lives in a file of its own.
#include <iostream>
#include <string>
#include <vector>

#include "cli/Arguments.h"
#include "cli/ExitCodes.h"
#include "cli/JournalCommand.h"
#include "cli/ListCommand.h"
#include "cli/ModifyCommand.h"
#include "cli/SheetCommand.h"
#include "cli/ShowCommand.h"
#include "platform/CommandLine.h"
#include "platform/HeapReuse.h"

int main(int argc, char** argv) {
    using namespace kel::cli;
    kel::KeepLargeBuffersForReuse();
    const std::vector<std::string> args = kel::CommandLineArguments(argc, argv);
    CliArguments parsed;
    std::string strError;
    if (!ParseArguments(args, parsed, strError)) {
        if (args.empty()) {
            std::cerr << UsageText();
        } else {
            std::cerr << "kel-batch: " << strError << "\nTry 'kel-batch --help'.\n";
        }
        return kExitNotRun;
    }
    switch (parsed.mode) {
        case CliMode::Help:
            std::cout << UsageText();
            return kExitOk;
        case CliMode::Version:
            std::cout << "kel-batch " << KEL_VERSION << "\n";
            return kExitOk;
        case CliMode::Xml:
            return RunXmlCommand(parsed, std::cout, std::cerr);
        case CliMode::Show:
            return RunShowCommand(parsed, std::cout, std::cerr);
        case CliMode::Modify:
            return RunModifyCommand(parsed, std::cout, std::cerr);
        case CliMode::List:
            return RunListCommand(parsed, std::cout, std::cerr);
        case CliMode::Runs:
            return RunRunsCommand(parsed, std::cout, std::cerr);
        case CliMode::Undo:
            return RunUndoCommand(parsed, std::cout, std::cerr);
        case CliMode::Export:
            return RunExportCommand(parsed, std::cout, std::cerr);
        case CliMode::Import:
            return RunImportCommand(parsed, std::cout, std::cerr);
    }
    return kExitNotRun;
}
