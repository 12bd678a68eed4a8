#include "runs/ListBatch.h"

#include <chrono>
#include <memory>
#include <optional>
#include <set>

#include "engine/LogFile.h"
#include "platform/AppFolder.h"
#include "platform/FileSystem.h"
#include "platform/FolderSync.h"
#include "runs/DrawingStep.h"
#include "runs/DrawingTasks.h"
#include "runs/ListFile.h"
#include "runs/PathText.h"
#include "runs/RunJournal.h"
#include "runs/RunFormats.h"
#include "runs/RunLogs.h"
#include "runs/Wildcard.h"
#include "runs/WildcardScan.h"

namespace kel {

namespace {

using Clock = std::chrono::steady_clock;

// One thing the batch reports, in the order of the list: a drawing to run, or
// an entry that failed before it reached a drawing.
struct PlanItem {
    std::string strTemplate;
    std::string strDrawing;  // the drawing, or the entry's text for a failed entry
    bool blnScanned = false;  // found by a wildcard entry
    std::optional<std::size_t> task;
    std::string strFailure;  // a failed entry's text
};

// Everything one batch holds open while it runs its list.
struct BatchContext {
    const RunOptions& options;
    IBatchWindow& window;
    std::unique_ptr<cAutoCAD> engine;
    LogFile errors;
    LogFile audit;
    BatchResult result;
    // Templates whose ignored lines have been reported in this batch.
    std::set<std::string> warned;
    std::vector<PlanItem> plan;
    std::vector<DrawingTask> tasks;
    RunJournal journal;
    // Every drawing of the list gets a number, also those of other slices.
    std::int64_t numbered = 0;
    std::string strListFolder;

    bool Logged(const PlanItem& item) const { return !item.blnScanned || options.blnLogScans; }

    void Fail(const PlanItem& item, const std::string& strShort, const std::string& strFull) {
        window.SetMessage(strShort);
        window.DrawingFailed(item.strDrawing, strFull);
        if (Logged(item)) {
            errors.WriteLine(EntryErrorLine(item.strTemplate, item.strDrawing, strFull));
            ++result.errorLines;
        }
        ++result.failures;
    }

    // The template of an entry, read now so that a refused one fails the entry
    // before any of its drawings (when the entry is this slice's to report);
    // its ignored lines are reported once.
    bool CheckTemplate(PlanItem item, bool blnReportFailure) {
        std::string strErr;
        engine->PrepTemplate(item.strTemplate, strErr);
        if (!strErr.empty()) {
            item.strFailure = item.blnScanned ? "Unable to modify block attributes. " + strErr : strErr;
            if (blnReportFailure) plan.push_back(std::move(item));
            return false;
        }
        const int warnings = ReportIgnoredLines(*engine, options.strDelimiter, item.strTemplate,
                                                Logged(item) ? &errors : nullptr, window, &warned);
        result.warnings += warnings;
        if (Logged(item)) result.errorLines += warnings;
        return true;
    }

    void AddDrawing(PlanItem item, std::int64_t number, const std::string& strRoot) {
        item.task = tasks.size();
        tasks.push_back(
            DrawingTask{item.strDrawing, item.strTemplate, Logged(item) && audit.IsOpen(), number, strRoot, {}});
        plan.push_back(std::move(item));
    }

    // Plans the lines; false when an "END" line stops the program.
    bool PlanLines(const std::vector<std::string>& lines) {
        for (const std::string& strLine : lines) {
            const ListLine line = ParseListLine(strLine);
            if (line.kind == ListLine::Kind::Skip) continue;
            if (line.kind == ListLine::Kind::End) return false;
            PlanItem item{line.strTemplate, line.strDrawing, HasWildcard(GetFileName(line.strDrawing)), {}, {}};
            if (!item.blnScanned) {
                const std::int64_t number = numbered++;
                if (InShard(item.strDrawing, options.shard) && CheckTemplate(item, true)) {
                    AddDrawing(item, number, strListFolder);
                }
                continue;
            }
            const std::vector<std::string> found = FindEntryDrawings(line.strDrawing, window);
            const std::int64_t first = numbered;
            numbered += static_cast<std::int64_t>(found.size());
            // The entry's own failure is reported by one slice of a batch alone.
            if (!CheckTemplate(item, InShard(line.strDrawing, options.shard))) continue;
            for (std::size_t f = 0; f < found.size(); ++f) {
                if (!InShard(found[f], options.shard)) continue;
                PlanItem drawing = item;
                drawing.strDrawing = found[f];
                AddDrawing(std::move(drawing), first + static_cast<std::int64_t>(f), FolderPart(line.strDrawing));
            }
        }
        return true;
    }

    // Reports a planned item; report is the drawing's, for a drawing.
    void Report(const PlanItem& item, const DrawingReport* report) {
        if (!report) {
            Fail(item, item.strFailure, item.strFailure);
            return;
        }
        if (TakeSavedDrawing(*report, item.strDrawing, window, journal)) {
            ++result.modified;
            return;
        }
        if (IsNothingToChange(report->step)) ++result.unchanged;
        Fail(item, EntryErrorText(report->step, item.strDrawing, false), EntryErrorText(report->step, item.strDrawing));
    }

    void Run(const ComponentFactory& factory, IUserMessages* messages) {
        result.total = static_cast<int>(tasks.size());
        std::size_t reported = 0;  // plan items reported so far
        const DrawingTaskSetup setup =
            RunTaskSetup(options, factory, messages, audit, window, *engine, journal, numbered);
        const std::size_t done = RunDrawingTasks(tasks, setup, [&](std::size_t i, DrawingReport& report) {
            while (plan[reported].task != i) Report(plan[reported++], nullptr);
            Report(plan[reported++], &report);
            window.Progress(i + 1, tasks.size(), tasks[i].strDrawing);
        });
        result.done = static_cast<int>(done);
        result.stopped = done < tasks.size();
        // Failed entries after the last drawing run (none after a cancel).
        for (; !result.stopped && reported < plan.size(); ++reported) Report(plan[reported], nullptr);
    }
};

// The list file path, or "" when there is none to run (the outcome says why).
std::string ChooseListFile(const RunOptions& options, IBatchWindow& window, BatchResult& result) {
    const std::string strCommand = StripBlanks(options.strListFile);
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

BatchResult RunListBatch(const RunOptions& options, IBatchWindow& window, const ComponentFactory& factory,
                         IUserMessages* messages) {
    BatchContext b{options, window, nullptr, {}, {}, {}, {}, {}, {}, {}, 0, {}};
    const std::string strListFile = ChooseListFile(options, window, b.result);
    if (strListFile.empty()) return b.result;

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
    if (options.blnAudit && !OpenAuditLog(b.audit, options.shard)) {
        // Changing drawings without the record the user asked for is not done.
        window.SetBusy(false);
        b.engine.reset();
        window.SetMessage(AuditLogFailureText(options.shard));
        b.result.outcome = BatchResult::Outcome::LogsUnwritable;
        return b.result;
    }
    if (options.blnDryRun) b.audit.WriteLine("Dry run: no drawing is saved.");
    std::string strJournalError;
    if (blnRead && !BeginRunJournal(options, strListFile, b.journal, strJournalError)) {
        window.SetBusy(false);
        b.engine.reset();
        window.SetMessage(strJournalError);
        b.result.outcome = BatchResult::Outcome::LogsUnwritable;
        return b.result;
    }
    b.errors.Open(ErrorLogPath(options.shard), LogFile::Mode::Truncate);

    bool blnEnd = false;
    if (!blnRead) {
        const std::string strErr = "Unable to read drawing list file (" + strReadError + ").";
        b.errors.WriteLine(ListFileErrorLine(strListFile, strErr));
        ++b.result.errorLines;
        ++b.result.failures;
        window.SetMessage("Unable to read drawing list file '" + strListFile + "' (" + strReadError + ").");
        b.result.outcome = BatchResult::Outcome::ListFileUnreadable;
    } else {
        b.strListFolder = FolderPart(strListFile);
        blnEnd = !b.PlanLines(lines);
        b.Run(factory, messages);
        b.result.outcome = blnEnd ? BatchResult::Outcome::EndLine : BatchResult::Outcome::Finished;
    }

    b.errors.Close();
    b.audit.Close();
    b.engine.reset();
    folderSync.Flush();
    EndRunJournal(options, b.journal, window);
    if (blnEnd && !b.result.stopped) return b.result;  // the program ends now: no summary
    window.ClearCommandLine();
    window.SetBusy(false);

    if (b.result.outcome == BatchResult::Outcome::Finished || b.result.stopped) {
        const std::string strNotes =
            IgnoredLinesNote(b.result.warnings) + CancelNote(b.result.stopped, b.result.done, b.result.total);
        if (b.result.modified != 0) {
            const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
            window.SetMessage(RunSummary(options.blnDryRun, b.result.modified, seconds) + strNotes);
        } else {
            window.SetMessage("No attributes modified." + strNotes);
        }
    }
    if (b.result.stopped) b.result.outcome = BatchResult::Outcome::Finished;
    return b.result;
}

}  // namespace kel
