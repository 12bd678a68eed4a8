#include "cli/SheetCommand.h"

#include "cli/AppFolderCheck.h"
#include "cli/ConsoleStatus.h"
#include "cli/ExitCodes.h"
#include "engine/IUserMessages.h"
#include "platform/AppFolder.h"
#include "platform/FileSystem.h"
#include "runs/ImportRun.h"
#include "runs/SheetExport.h"
#if KEL_HAVE_SHEETS
#include "sheets/SheetFile.h"
#endif

namespace kel::cli {

#if KEL_HAVE_SHEETS

namespace {

class ConsoleImportWindow : public ConsoleStatus<IModifyWindow> {
public:
    using ConsoleStatus::ConsoleStatus;
    void UnselectDrawings() override {}
    void DisableModify() override {}
};

bool CheckFormat(const std::string& strSheet, std::ostream& err) {
    if (sheets::FormatOfFile(strSheet) != sheets::SheetFormat::Unknown) return true;
    err << "kel-batch: " << strSheet << ": the sheet's name must end in .xlsx or .csv.\n";
    return false;
}

}  // namespace

int RunExportCommand(const CliArguments& args, std::ostream& out, std::ostream& err) {
    if (!CheckFormat(args.strSheet, err)) return kExitNotRun;
    // The work files of the reading lie in the application folder.
    if (!CheckApplicationFolder(err, true)) return kExitNoLogs;
    std::vector<std::string> problems;
    const std::vector<std::string> drawings = DrawingsOfArguments(args.sources, problems);
    for (const std::string& p : problems) err << "kel-batch: " << p << '\n';
    if (drawings.empty()) {
        err << "kel-batch: no drawing to export.\n";
        return kExitNotRun;
    }
    StderrMessages messages;
    const SheetExportResult result =
        ExportAttributeSheet(drawings, DefaultComponentFactory(), &messages, ApplicationFolder());
    if (!result.strError.empty()) {
        err << "kel-batch: " << result.strError << '\n';
        return kExitNotRun;
    }
    for (const std::string& f : result.failures) err << "kel-batch: " << f << '\n';
    std::string strErr;
    if (!sheets::WriteSheetFile(args.strSheet, result.sheet, strErr)) {
        err << "kel-batch: " << strErr << '\n';
        return kExitDrawingsFailed;
    }
    if (!args.blnQuiet) {
        err << "Exported " << result.sheet.rows.size() - 1 << " insert(s) of " << result.drawings
            << " drawing(s) to " << args.strSheet << ".\n";
    }
    (void)out;
    return result.failures.empty() && problems.empty() ? kExitOk : kExitDrawingsFailed;
}

int RunImportCommand(const CliArguments& args, std::ostream& out, std::ostream& err) {
    if (!CheckFormat(args.strSheet, err)) return kExitNotRun;
    // The whole sheet is read and checked before any drawing is opened.
    SheetRows sheet;
    std::vector<SheetDrawingEdit> edits;
    std::string strErr;
    if (!sheets::ReadSheetFile(args.strSheet, sheet, strErr) || !ReadAttributeSheet(sheet, edits, strErr)) {
        err << "kel-batch: " << args.strSheet << ": " << strErr << " No drawing was changed.\n";
        return kExitNotRun;
    }
    const bool blnJournal = args.run.blnJournal && !args.run.blnDryRun;
    if (!CheckApplicationFolder(err, args.run.blnAudit || blnJournal)) return kExitNoLogs;
    ConsoleImportWindow window(out, err, !args.blnQuiet && StderrIsTerminal(), args.run.blnDryRun);
    StderrMessages messages;
    const ImportRunResult result =
        RunImport(args.run, AbsolutePathText(args.strSheet), edits, window, DefaultComponentFactory(), &messages);
    switch (result.outcome) {
        case ImportRunResult::Outcome::SheetRefused:
            err << "kel-batch: " << args.strSheet << ": " << result.strError << '\n';
            return kExitNotRun;
        case ImportRunResult::Outcome::ComponentFailed:
            return kExitNotRun;
        case ImportRunResult::Outcome::LogsUnwritable:
            return kExitNoLogs;
        case ImportRunResult::Outcome::Finished:
            break;
    }
    PrintRunEnd(args.run.blnDryRun, args.blnCsv, args.blnQuiet, window.changes, result.modified, result.unchanged,
                result.errorLines, window.Seconds(), out, err);
    return result.errorLines == 0 ? kExitOk : kExitDrawingsFailed;
}

#else

namespace {

int NotAvailable(const char* strOption, std::ostream& err) {
    err << "kel-batch: " << strOption
        << " is not available in this build (it was built without the spreadsheet libraries).\n";
    return kExitNotRun;
}

}  // namespace

int RunExportCommand(const CliArguments&, std::ostream&, std::ostream& err) { return NotAvailable("--export", err); }
int RunImportCommand(const CliArguments&, std::ostream&, std::ostream& err) { return NotAvailable("--import", err); }

#endif

}  // namespace kel::cli
