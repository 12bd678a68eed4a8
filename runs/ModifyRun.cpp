#include "runs/ModifyRun.h"

#include <chrono>
#include <memory>

#include "platform/FileSystem.h"
#include "platform/FolderSync.h"
#include "runs/DrawingStep.h"
#include "runs/DrawingTasks.h"
#include "runs/PathText.h"
#include "runs/RunJournal.h"
#include "runs/RunFormats.h"
#include "runs/RunLogs.h"

namespace kel {

ModifyRunResult RunModify(const RunOptions& options, IModifyWindow& window, const ComponentFactory& factory,
                          IUserMessages* messages) {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    ModifyRunResult result;
    // Saved drawings' folders are flushed to disk once, at the end of the run.
    FolderSyncBatch folderSync;

    window.SetMessage("Modification in process...");
    window.RepaintMessage();

    auto engine = std::make_unique<cAutoCAD>(factory, messages);
    if (engine->CreateComponent() != 1) {
        result.outcome = ModifyRunResult::Outcome::ComponentFailed;
        return result;
    }

    LogFile audit;
    if (options.blnAudit && !OpenAuditLog(audit, options.shard)) {
        // Changing drawings without the record the user asked for is not done.
        window.SetMessage(AuditLogFailureText(options.shard));
        result.outcome = ModifyRunResult::Outcome::LogsUnwritable;
        return result;
    }

    if (options.blnDryRun) audit.WriteLine("Dry run: no drawing is saved.");

    std::string strErr;
    engine->PrepTemplate(options.strTemplate, strErr);

    LogFile errors;
    errors.Open(ErrorLogPath(options.shard), LogFile::Mode::Truncate);

    if (!strErr.empty()) {
        errors.WriteLine(TemplateErrorLine(options.strTemplate, strErr));
        errors.Close();
        engine.reset();
        window.SetMessage("No attributes modified. " + strErr);
        audit.Close();
        result.outcome = ModifyRunResult::Outcome::TemplateRejected;
        result.strTemplateError = strErr;
        result.errorLines = 1;
        return result;
    }

    RunJournal journal;
    std::string strJournalError;
    if (!BeginRunJournal(options, options.strTemplate, journal, strJournalError)) {
        window.SetMessage(strJournalError);
        result.outcome = ModifyRunResult::Outcome::LogsUnwritable;
        return result;
    }

    window.SetBusy(true);
    result.warnings = ReportIgnoredLines(*engine, options.strDelimiter, options.strTemplate, &errors, window);

    std::vector<DrawingTask> tasks;
    for (std::size_t i = 0; i < options.drawings.size(); ++i) {
        const std::string& strPath = options.drawings[i];
        if (InShard(strPath, options.shard)) {
            tasks.push_back(DrawingTask{strPath, options.strTemplate, true, static_cast<std::int64_t>(i), {}, {}});
        }
    }
    const DrawingTaskSetup setup = RunTaskSetup(options, factory, messages, audit, window, *engine, journal,
                                                static_cast<std::int64_t>(options.drawings.size()));
    RunAndCountDrawings(tasks, setup, window, journal, errors, true, result);

    errors.Close();
    audit.Close();
    engine.reset();
    folderSync.Flush();
    EndRunJournal(options, journal, window);

    // A dry run leaves the window as it was, ready for the real run.
    if (!options.blnDryRun) {
        window.UnselectDrawings();
        window.DisableModify();
    }

    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    window.SetMessage(RunSummary(options.blnDryRun, result.modified, seconds) +
                      IgnoredLinesNote(result.warnings) +
                      CancelNote(result.cancelled, result.done, result.total));
    if (result.errorLines == 0 && result.warnings == 0) DeleteFileUtf8(ErrorLogPath(options.shard));
    window.SetBusy(false);
    result.outcome = ModifyRunResult::Outcome::Finished;
    return result;
}

}  // namespace kel
