#include "cli/ListCommand.h"

#include "cli/CliCommand.h"
#include "cli/ConsoleStatus.h"
#include "engine/IUserMessages.h"
#include "runs/ListBatch.h"
#include "runs/PathText.h"

namespace kel::cli {

namespace {

struct ListArguments {
    std::string strListFile;
    std::string strDelimiter = ",";
    bool blnAudit = true;
};

bool ParseListArguments(const std::vector<std::string>& args, ListArguments& parsed, std::string& strErr) {
    int positional = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "-d") {
            if (i + 1 >= args.size()) {
                strErr = "Option -d needs a value.";
                return false;
            }
            parsed.strDelimiter = args[++i];
        } else if (a == "--no-audit") {
            parsed.blnAudit = false;
        } else if (a.size() > 1 && a[0] == '-') {
            strErr = "Unknown option " + a + ".";
            return false;
        } else {
            parsed.strListFile = a;
            ++positional;
        }
    }
    if (positional != 1) {
        strErr = "Name one drawing list file.";
    } else if (parsed.strDelimiter.size() != 1) {
        strErr = "The delimiter must be one character.";
    } else {
        return true;
    }
    return false;
}

// The window of a headless batch: the list file is the command line; there is
// no dialog to ask with.
class ConsoleBatchWindow : public ConsoleStatus<IBatchWindow> {
public:
    ConsoleBatchWindow(const ListArguments& args, std::ostream& out) : ConsoleStatus(out), args_(args) {}

    std::string Delimiter() override { return args_.strDelimiter; }
    bool AuditOn() override { return args_.blnAudit; }
    std::string CommandLine() override { return StripBlanks(args_.strListFile); }
    void ClearCommandLine() override {}
    std::string OpenFileDialog(const std::string&, const std::string&, const std::string&) override { return {}; }
    void Beep() override {}

private:
    const ListArguments& args_;
};

}  // namespace

int RunListCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    ListArguments parsed;
    std::string strErr;
    if (!ParseListArguments(args, parsed, strErr)) {
        err << strErr << '\n' << "Usage: kel-batch LIST.dlf [-d DELIM] [--no-audit]\n";
        return 2;
    }
    ConsoleBatchWindow window(parsed, out);
    StderrMessages messages;
    const BatchResult result = RunListBatch(window, DefaultComponentFactory(), &messages);
    switch (result.outcome) {
        case BatchResult::Outcome::Finished:
        case BatchResult::Outcome::EndLine:
            return result.failures == 0 ? 0 : 1;
        case BatchResult::Outcome::Cancelled:
            err << "No drawing list file given.\n";
            return 2;
        case BatchResult::Outcome::ListFileMissing:
        case BatchResult::Outcome::ListFileUnreadable:
        case BatchResult::Outcome::ComponentFailed:
            return 2;
    }
    return 2;
}

namespace {

bool AcceptsListArguments(const Args& args) {
    for (const std::string& a : args) {
        if (a == "-t") return false;
    }
    return !args.empty() && (args[0].empty() || args[0][0] != '-' || args[0] == "-d" || args[0] == "--no-audit");
}

const Registration reg{CliCommand{
    "LIST.dlf [-d DELIM] [--no-audit]",
    "run the drawing list file LIST.dlf",
    90,
    AcceptsListArguments,
    RunListCommand,
}};

}  // namespace

}  // namespace kel::cli
