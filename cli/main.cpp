// kel-batch: the command-line front of KEL. Parses nothing itself beyond
// --help and --version; every other argument list goes to the first
// registered command that accepts it (see CliCommand.h).
#include <algorithm>
#include <iostream>
#include <string>

#include "cli/CliCommand.h"
#include "cli/ExitCodes.h"

namespace kel::cli {

namespace {

std::vector<CliCommand>& Registry() {
    static std::vector<CliCommand> commands;
    return commands;
}

void PrintHelp(std::ostream& out) {
    out << "Usage: kel-batch COMMAND\n"
           "Changes and shows block attribute values (title blocks) of DWG and DXF drawings.\n\n"
           "Commands:\n";
    // Usage texts longer than the column put their summary on the next line.
    constexpr std::size_t kColumn = 18;
    const auto row = [&](const std::string& usage, const std::string& summary) {
        out << "  " << usage;
        if (usage.size() + 2 > kColumn) {
            out << "\n" << std::string(kColumn + 2, ' ');
        } else {
            out << std::string(kColumn - usage.size(), ' ');
        }
        out << summary << "\n";
    };
    for (const auto& c : Commands()) row(c.usage, c.summary);
    row("--help", "show this text");
    row("--version", "show the version");
    out << "\n"
        << "Failures of drawings and warnings are printed on standard error, with their\n"
           "reasons; the audit log and error log are kept in the application folder:\n"
           "$KEL_HOME when set, otherwise ~/.local/share/KEL.\n\n"
        << kExitCodesHelp;
}

}  // namespace

const std::vector<CliCommand>& Commands() { return Registry(); }

Registration::Registration(CliCommand command) {
    auto& commands = Registry();
    const auto pos = std::upper_bound(commands.begin(), commands.end(), command.order,
                                      [](int order, const CliCommand& c) { return order < c.order; });
    commands.insert(pos, std::move(command));
}

}  // namespace kel::cli

int main(int argc, char** argv) {
    using namespace kel::cli;
    const Args args(argv + 1, argv + argc);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        PrintHelp(std::cout);
        return 0;
    }
    if (args.size() == 1 && args[0] == "--version") {
        std::cout << "kel-batch " << KEL_VERSION << "\n";
        return 0;
    }
    for (const auto& command : Commands()) {
        if (command.accepts && command.accepts(args)) return command.run(args, std::cout, std::cerr);
    }
    if (args.empty()) {
        PrintHelp(std::cerr);
    } else {
        std::cerr << "kel-batch: unrecognised arguments";
        for (const auto& a : args) std::cerr << " " << a;
        std::cerr << "\nTry 'kel-batch --help'.\n";
    }
    return kExitNotRun;
}
