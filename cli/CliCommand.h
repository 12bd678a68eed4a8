// The commands of kel-batch. Each command lives in its own file and registers
// itself with a static KEL_REGISTER_COMMAND object; main.cpp only dispatches.
//
// To add a command, add cli/<Name>Command.cpp with a CliCommand whose Accepts()
// recognises its arguments and whose Run() does the work, and register it:
//
//     static const kel::cli::Registration reg{kel::cli::CliCommand{...}};
//
// The dispatcher asks the commands in the order of their Order value (lower
// first), so a catch-all (a bare list file name) can come last.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace kel::cli {

using Args = std::vector<std::string>;

struct CliCommand {
    std::string usage;    // e.g. "--xml DRAWING"
    std::string summary;  // one line for --help
    int order = 100;      // position in the dispatch order and in --help
    // True when the arguments (program name excluded) are meant for this command.
    std::function<bool(const Args&)> accepts;
    // Runs the command; returns the exit status.
    std::function<int(const Args&, std::ostream& out, std::ostream& err)> run;
};

// Every registered command, in dispatch order.
const std::vector<CliCommand>& Commands();

// Adds a command to the list; used through a static Registration object.
struct Registration {
    explicit Registration(CliCommand command);
};

}  // namespace kel::cli
