#include "runs/ImportRun.h"

#include <chrono>
#include <memory>

#include "platform/FileSystem.h"
#include "platform/FolderSync.h"
#include "runs/DrawingStep.h"
#include "runs/DrawingTasks.h"
#include "runs/RunFormats.h"
#include "runs/RunJournal.h"
#include "runs/RunLogs.h"

namespace kel {

std::vector<std::string> MissingSheetDrawings(const std::vector<SheetDrawingEdit>& edits) {
    std::vector<std::string> missing;
    for (const SheetDrawingEdit& d : edits) {
        if (!FileExists(d.drawing)) {
            missing.push_back(d.drawing + " (row " + std::to_string(d.inserts.empty() ? 0 : d.inserts.front().row) +
                              ")");
        }
    }
    return missing;
}

ImportRunResult RunImport(const RunOptions& options, const std::string& strSheet,
                          const std::vector<SheetDrawingEdit>& edits, IModifyWindow& window,
                          const ComponentFactory& factory, IUserMessages* messages) {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    ImportRunResult result;

    // A sheet that names a drawing that is not there is refused as a whole:
    // its rows would otherwise be guessed to belong elsewhere or be lost.
    const std::vector<std::string> missing = MissingSheetDrawings(edits);
    if (!missing.empty()) {
        result.strError = "The sheet names drawing(s) that do not exist: ";
        for (std::size_t i = 0; i < missing.size(); ++i) result.strError += (i ? ", " : "") + missing[i];
        result.strError += ". No drawing was changed.";
        result.outcome = ImportRunResult::Outcome::SheetRefused;
        return result;
    }

    FolderSyncBatch folderSync;
    window.SetMessage("Import in process...");
    window.RepaintMessage();

    auto engine = std::make_unique<cAutoCAD>(factory, messages);
    if (engine->CreateComponent() != 1) return result;

    LogFile audit;
    if (options.blnAudit && !OpenAuditLog(audit, options.shard)) {
        window.SetMessage(AuditLogFailureText(options.shard));
        result.outcome = ImportRunResult::Outcome::LogsUnwritable;
        return result;
    }
    audit.WriteLine("Import of " + strSheet);
    if (options.blnDryRun) audit.WriteLine("Dry run: no drawing is saved.");

    RunJournal journal;
    std::string strJournalError;
    if (!BeginRunJournal(options, strSheet, journal, strJournalError)) {
        window.SetMessage(strJournalError);
        result.outcome = ImportRunResult::Outcome::LogsUnwritable;
        return result;
    }
    LogFile errors;
    errors.Open(ErrorLogPath(options.shard), LogFile::Mode::Truncate);

    window.SetBusy(true);
    std::vector<DrawingTask> tasks;
    for (std::size_t i = 0; i < edits.size(); ++i) {
        if (!InShard(edits[i].drawing, options.shard)) continue;
        DrawingTask task{edits[i].drawing, strSheet, true, static_cast<std::int64_t>(i), {}, {}};
        task.sheetEdits = std::make_shared<const std::vector<SheetInsertEdit>>(edits[i].inserts);
        tasks.push_back(std::move(task));
    }
    const DrawingTaskSetup setup = RunTaskSetup(options, factory, messages, audit, window, *engine, journal,
                                                static_cast<std::int64_t>(edits.size()));
    RunAndCountDrawings(tasks, setup, window, journal, errors, false, result);

    errors.Close();
    audit.Close();
    engine.reset();
    folderSync.Flush();
    EndRunJournal(options, journal, window);

    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    window.SetMessage(RunSummary(options.blnDryRun, result.modified, seconds) +
                      CancelNote(result.cancelled, result.done, result.total));
    if (result.errorLines == 0) DeleteFileUtf8(ErrorLogPath(options.shard));
    window.SetBusy(false);
    result.outcome = ImportRunResult::Outcome::Finished;
    return result;
}

}  // namespace kel
