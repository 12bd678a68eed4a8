#include "cli/ModifyCommand.h"

#include "cli/AppFolderCheck.h"
#include "cli/ConsoleStatus.h"
#include "cli/ExitCodes.h"
#include "engine/IUserMessages.h"
#include "platform/FileSystem.h"
#include "runs/ModifyRun.h"

namespace kel::cli {

namespace {

// The window of a command line run: nothing to reset after it.
class ConsoleModifyWindow : public ConsoleStatus<IModifyWindow> {
public:
    using ConsoleStatus::ConsoleStatus;
    void UnselectDrawings() override {}
    void DisableModify() override {}
};

}  // namespace

int RunModifyCommand(const CliArguments& args, std::ostream& out, std::ostream& err) {
    // The audit log and the journal need the application folder.
    const bool blnJournal = args.run.blnJournal && !args.run.blnDryRun;
    if (!CheckApplicationFolder(err, args.run.blnAudit || blnJournal)) return kExitNoLogs;
    ConsoleModifyWindow window(out, err, !args.blnQuiet && StderrIsTerminal(), args.run.blnDryRun);
    StderrMessages messages;
    const ModifyRunResult result = RunModify(args.run, window, DefaultComponentFactory(), &messages);
    switch (result.outcome) {
        case ModifyRunResult::Outcome::TemplateRejected:
            err << "kel-batch: " << args.run.strTemplate << ": " << result.strTemplateError << '\n';
            return kExitNotRun;
        case ModifyRunResult::Outcome::ComponentFailed:
            return kExitNotRun;
        case ModifyRunResult::Outcome::LogsUnwritable:
            return kExitNoLogs;
        case ModifyRunResult::Outcome::Finished:
            break;
    }
    PrintRunEnd(args.run.blnDryRun, args.blnCsv, args.blnQuiet, window.changes, result.modified, result.unchanged,
                result.errorLines - result.unchanged, window.Seconds(), out, err);
    return result.errorLines == 0 ? kExitOk : kExitDrawingsFailed;
}

}  // namespace kel::cli
