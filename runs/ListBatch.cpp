#include "runs/ListBatch.h"

#include <chrono>
#include <memory>
#include <set>

#include "engine/LogFile.h"
#include "platform/AppFolder.h"
#include "platform/FileSystem.h"
#include "platform/FolderSync.h"
#include "runs/DrawingStep.h"
#include "runs/ListFile.h"
#include "runs/PathText.h"
#include "runs/RunFormats.h"
#include "runs/RunLogs.h"
#include "runs/RunState.h"
#include "runs/Wildcard.h"
#include "runs/WildcardScan.h"

namespace kel {

namespace {

using Clock = std::chrono::steady_clock;

// Everything one batch holds open while it reads its list.
struct BatchContext {
    IBatchWindow& window;
    const ComponentFactory& factory;
    IUserMessages* messages;
    std::unique_ptr<cAutoCAD> engine;
    LogFile errors;
    LogFile audit;
    std::string strDelimiter;
    BatchResult result;
    // Templates whose ignored lines have been reported in this batch.
    std::set<std::string> warned;
};

void RunPlainEntry(BatchContext& b) {
    std::string strErr;
    std::string strShort;
    b.engine->PrepTemplate(strTemplatePath, strErr);
    if (strErr.empty()) {
        const int warnings = ReportIgnoredLines(*b.engine, b.strDelimiter, strTemplatePath, &b.errors, b.window,
                                                &b.warned);
        b.result.warnings += warnings;
        b.result.errorLines += warnings;
        const DrawingStepResult step = ModifyOneDrawing(*b.engine, strDWGpath, b.strDelimiter,
                                                        b.audit.IsOpen() ? &b.audit : nullptr, b.window);
        if (step.outcome == DrawingOutcome::Saved) {
            ++lngModified;
        } else {
            strErr = EntryErrorText(step, strDWGpath);
            strShort = EntryErrorText(step, strDWGpath, false);
        }
    } else {
        strShort = strErr;
    }
    if (!strErr.empty()) {
        b.window.SetMessage(strShort);
        b.window.DrawingFailed(strDWGpath, strErr);
        b.errors.WriteLine(EntryErrorLine(strTemplatePath, strDWGpath, strErr));
        ++b.result.errorLines;
        ++b.result.failures;
    }
}

void RunWildcardEntry(BatchContext& b) {
    blnSubfolders = strDWGname.find('.') == std::string::npos;
    if (blnSubfolders) strDWGname += ".dwg";
    ScanLogs logs;
    logs.warned = &b.warned;
    if (b.window.LogScans()) {
        logs.audit = b.audit.IsOpen() ? &b.audit : nullptr;
        logs.errors = &b.errors;
    }
    const ScanResult scan = RunWildcardScan(b.strDelimiter, b.factory, b.messages, b.window, logs);
    b.result.failures += scan.failures;
    b.result.errorLines += scan.errorLines;
    b.result.warnings += scan.warnings;
}

// Handles the lines of the list; false when an "END" line stops the program.
bool RunLines(BatchContext& b, const std::vector<std::string>& lines) {
    for (const std::string& strLine : lines) {
        const ListLine line = ParseListLine(strLine);
        if (line.kind == ListLine::Kind::Skip) continue;
        if (line.kind == ListLine::Kind::End) return false;
        strDWGpath = line.strDrawing;
        strDWGname = GetFileName(strDWGpath);
        strTemplatePath = line.strTemplate;
        if (HasWildcard(strDWGname)) {
            RunWildcardEntry(b);
        } else {
            RunPlainEntry(b);
        }
    }
    return true;
}

// The list file path, or "" when there is none to run (the outcome says why).
std::string ChooseListFile(IBatchWindow& window, BatchResult& result) {
    const std::string strCommand = window.CommandLine();
    if (!strCommand.empty() && UpperAscii(strCommand) != "/P") {
        if (!FileExists(strCommand)) {
            window.Beep();
            window.ClearCommandLine();
            window.SetMessage("Passed file '" + strCommand + "' does not exist.");
            result.outcome = BatchResult::Outcome::ListFileMissing;
            return {};
        }
        return strCommand;
    }
    const std::string strChosen = window.OpenFileDialog("DLF Files (*.dlf)|*.dlf|All Files (*.*)|*.*",
                                                        "Open Drawing List File", ApplicationFolder());
    if (strChosen.empty()) result.outcome = BatchResult::Outcome::Cancelled;
    return strChosen;
}

}  // namespace

BatchResult RunListBatch(IBatchWindow& window, const ComponentFactory& factory, IUserMessages* messages) {
    BatchContext b{window, factory, messages, nullptr, {}, {}, {}, {}, {}};
    const std::string strListFile = ChooseListFile(window, b.result);
    if (strListFile.empty()) return b.result;
    strDWGpath = strListFile;

    window.SetBusy(true);
    const auto start = Clock::now();
    // Saved drawings' folders are flushed to disk once, at the end of the batch.
    FolderSyncBatch folderSync;
    window.SetMessage("Modification in process...");
    window.RepaintMessage();

    b.engine = std::make_unique<cAutoCAD>(factory, messages);
    if (b.engine->CreateComponent() != 1) {
        window.SetBusy(false);
        b.engine.reset();
        b.result.outcome = BatchResult::Outcome::ComponentFailed;
        return b.result;
    }

    std::vector<std::string> lines;
    std::string strReadError;
    const bool blnRead = ReadListFile(strListFile, lines, strReadError);
    if (window.AuditOn() && !OpenAuditLog(b.audit)) {
        // Changing drawings without the record the user asked for is not done.
        window.SetBusy(false);
        b.engine.reset();
        window.SetMessage(AuditLogFailureText());
        b.result.outcome = BatchResult::Outcome::LogsUnwritable;
        return b.result;
    }
    b.errors.Open(ErrorLogPath(), LogFile::Mode::Truncate);
    lngModified = 0;
    b.strDelimiter = window.Delimiter();

    if (!blnRead) {
        const std::string strErr = "Unable to read drawing list file (" + strReadError + ").";
        b.errors.WriteLine(ListFileErrorLine(strListFile, strErr));
        ++b.result.errorLines;
        ++b.result.failures;
        window.SetMessage("Unable to read drawing list file '" + strListFile + "' (" + strReadError + ").");
        b.result.outcome = BatchResult::Outcome::ListFileUnreadable;
    } else if (!RunLines(b, lines)) {
        // The program ends now: what is written so far stays in the logs.
        b.errors.Close();
        b.audit.Close();
        b.engine.reset();
        b.result.modified = lngModified;
        b.result.outcome = BatchResult::Outcome::EndLine;
        return b.result;
    } else {
        b.result.outcome = BatchResult::Outcome::Finished;
    }

    b.errors.Close();
    b.audit.Close();
    b.engine.reset();
    folderSync.Flush();
    window.ClearCommandLine();
    strDWGname.clear();
    strDWGpath.clear();
    strTemplatePath.clear();
    window.SetBusy(false);

    b.result.modified = lngModified;
    if (b.result.outcome == BatchResult::Outcome::Finished) {
        if (lngModified != 0) {
            const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
            window.SetMessage(ModifiedSummary(lngModified, seconds) + IgnoredLinesNote(b.result.warnings));
            lngModified = 0;
        } else {
            window.SetMessage("No attributes modified." + IgnoredLinesNote(b.result.warnings));
        }
    }
    return b.result;
}

}  // namespace kel
