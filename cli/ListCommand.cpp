#include "cli/ListCommand.h"

#include "cli/AppFolderCheck.h"
#include "cli/CliCommand.h"
#include "cli/ConsoleStatus.h"
#include "cli/ExitCodes.h"
#include "engine/IUserMessages.h"
#include "platform/FileSystem.h"
#include "runs/ListBatch.h"
#include "runs/ListFile.h"
#include "runs/PathText.h"

namespace kel::cli {

namespace {

struct ListArguments {
    std::string strListFile;
    std::string strDelimiter = ",";
    bool blnAudit = true;
    bool blnLogScans = false;
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
        } else if (a == "--log-scans") {
            parsed.blnLogScans = true;
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
    ConsoleBatchWindow(const ListArguments& args, std::ostream& out, std::ostream& err)
        : ConsoleStatus(out, err), args_(args) {}

    std::string Delimiter() override { return args_.strDelimiter; }
    bool AuditOn() override { return args_.blnAudit; }
    std::string CommandLine() override { return StripBlanks(args_.strListFile); }
    void ClearCommandLine() override {}
    std::string OpenFileDialog(const std::string&, const std::string&, const std::string&) override { return {}; }
    void Beep() override {}
    bool LogScans() override { return args_.blnLogScans; }

private:
    const ListArguments& args_;
};

}  // namespace

int RunListCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    ListArguments parsed;
    std::string strErr;
    if (!ParseListArguments(args, parsed, strErr)) {
        err << strErr << '\n' << "Usage: kel-batch LIST.dlf [-d DELIM] [--no-audit] [--log-scans]\n";
        return kExitNotRun;
    }
    // A drawing or a template named where the list file belongs.
    const std::string strList = StripBlanks(parsed.strListFile);
    if (FileExists(strList)) {
        switch (GuessListFileKind(strList)) {
            case ListFileGuess::Drawing:
                err << "kel-batch: " << strList << " is a drawing, not a drawing list file.\n"
                    << "To apply a template to it: kel-batch -t TEMPLATE " << strList << "\n";
                return kExitNotRun;
            case ListFileGuess::Template:
                err << "kel-batch: " << strList << " is a template, not a drawing list file.\n"
                    << "To apply it to drawings: kel-batch -t " << strList << " DRAWING...\n";
                return kExitNotRun;
            case ListFileGuess::List:
                break;
        }
    }
    if (!CheckApplicationFolder(err, parsed.blnAudit)) return kExitNoLogs;
    ConsoleBatchWindow window(parsed, out, err);
    StderrMessages messages;
    const BatchResult result = RunListBatch(window, DefaultComponentFactory(), &messages);
    switch (result.outcome) {
        case BatchResult::Outcome::Finished:
        case BatchResult::Outcome::EndLine:
            return result.failures == 0 ? kExitOk : kExitDrawingsFailed;
        case BatchResult::Outcome::Cancelled:
            err << "No drawing list file given.\n";
            return kExitNotRun;
        case BatchResult::Outcome::ListFileMissing:
        case BatchResult::Outcome::ListFileUnreadable:
        case BatchResult::Outcome::ComponentFailed:
            return kExitNotRun;
        case BatchResult::Outcome::LogsUnwritable:
            return kExitNoLogs;
    }
    return kExitNotRun;
}

namespace {

bool AcceptsListArguments(const Args& args) {
    for (const std::string& a : args) {
        if (a == "-t") return false;
    }
    return !args.empty() && (args[0].empty() || args[0][0] != '-' || args[0] == "-d" || args[0] == "--no-audit" ||
                             args[0] == "--log-scans");
}

const Registration reg{CliCommand{
    "LIST.dlf [-d DELIM] [--no-audit] [--log-scans]",
    "run the drawing list file LIST.dlf (--log-scans: wildcard entries write the logs too)",
    90,
    AcceptsListArguments,
    RunListCommand,
}};

}  // namespace

}  // namespace kel::cli
