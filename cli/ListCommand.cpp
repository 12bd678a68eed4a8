#include "cli/ListCommand.h"

#include "cli/AppFolderCheck.h"
#include "cli/ConsoleStatus.h"
#include "cli/ExitCodes.h"
#include "engine/IUserMessages.h"
#include "platform/FileSystem.h"
#include "runs/ListBatch.h"
#include "runs/ListFile.h"
#include "runs/PathText.h"

namespace kel::cli {

namespace {

// The window of a headless batch: there is no dialog to ask with.
class ConsoleBatchWindow : public ConsoleStatus<IBatchWindow> {
public:
    using ConsoleStatus::ConsoleStatus;
    void ClearCommandLine() override {}
    std::string OpenFileDialog(const std::string&, const std::string&, const std::string&) override { return {}; }
    void Beep() override {}
};

}  // namespace

int RunListCommand(const CliArguments& args, std::ostream& out, std::ostream& err) {
    // A drawing or a template named where the list file belongs.
    const std::string strList = StripBlanks(args.run.strListFile);
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
    // The audit log and the journal need the application folder.
    const bool blnJournal = args.run.blnJournal && !args.run.blnDryRun;
    if (!CheckApplicationFolder(err, args.run.blnAudit || blnJournal)) return kExitNoLogs;
    ConsoleBatchWindow window(out, err, !args.blnQuiet && StderrIsTerminal(), args.run.blnDryRun);
    StderrMessages messages;
    const BatchResult result = RunListBatch(args.run, window, DefaultComponentFactory(), &messages);
    switch (result.outcome) {
        case BatchResult::Outcome::Finished:
        case BatchResult::Outcome::EndLine:
            PrintRunEnd(args.run.blnDryRun, args.blnCsv, args.blnQuiet, window.changes, result.modified,
                        result.unchanged, result.failures - result.unchanged, window.Seconds(), out, err);
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

}  // namespace kel::cli
