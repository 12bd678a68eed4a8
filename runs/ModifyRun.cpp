#include "runs/ModifyRun.h"

#include <chrono>
#include <memory>

#include "platform/FileSystem.h"
#include "platform/FolderSync.h"
#include "runs/DrawingStep.h"
#include "runs/PathText.h"
#include "runs/RunFormats.h"
#include "runs/RunLogs.h"
#include "runs/RunState.h"

namespace kel {


ModifyRunResult RunModify(IModifyWindow& window, const ComponentFactory& factory, IUserMessages* messages) {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    ModifyRunResult result;
    // Saved drawings' folders are flushed to disk once, at the end of the run.
    FolderSyncBatch folderSync;

    window.SetMessage("Modification in process...");
    window.RepaintMessage();

    strTemplatePath = JoinPath(window.TemplateFolder(), window.TemplateName());
    const std::vector<DrawingItem> items = window.Drawings();
    const std::string strFolder = window.DrawingFolder();

    auto engine = std::make_unique<cAutoCAD>(factory, messages);
    if (engine->CreateComponent() != 1) {
        result.outcome = ModifyRunResult::Outcome::ComponentFailed;
        return result;
    }

    LogFile audit;
    if (window.AuditOn() && !OpenAuditLog(audit)) {
        // Changing drawings without the record the user asked for is not done.
        window.SetMessage(AuditLogFailureText());
        result.outcome = ModifyRunResult::Outcome::LogsUnwritable;
        return result;
    }

    std::string strErr;
    engine->PrepTemplate(strTemplatePath, strErr);

    LogFile errors;
    errors.Open(ErrorLogPath(), LogFile::Mode::Truncate);

    if (!strErr.empty()) {
        errors.WriteLine(TemplateErrorLine(strTemplatePath, strErr));
        errors.Close();
        engine.reset();
        window.SetMessage("No attributes modified. " + strErr);
        audit.Close();
        result.outcome = ModifyRunResult::Outcome::TemplateRejected;
        result.strTemplateError = strErr;
        result.errorLines = 1;
        return result;
    }

    window.SetBusy(true);
    const std::string strDelimiter = window.Delimiter();
    result.warnings = ReportIgnoredLines(*engine, strDelimiter, strTemplatePath, &errors, window);

    for (const DrawingItem& item : items) {
        if (!item.selected) continue;
        strDWGname = item.name;
        strDWGpath = JoinPath(item.folder ? *item.folder : strFolder, strDWGname);
        const DrawingStepResult step =
            ModifyOneDrawing(*engine, strDWGpath, strDelimiter, audit.IsOpen() ? &audit : nullptr, window);
        if (step.outcome == DrawingOutcome::Saved) {
            ++result.modified;
        } else {
            const std::string strError = ModifyErrorText(step, strDWGpath);
            errors.WriteLine(DrawingErrorLine(strDWGpath, strError));
            window.DrawingFailed(strDWGpath, strError);
            ++result.errorLines;
        }
    }

    errors.Close();
    audit.Close();
    engine.reset();
    folderSync.Flush();

    window.UnselectDrawings();
    window.DisableModify();

    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    window.SetMessage(ModifiedSummary(result.modified, seconds) + IgnoredLinesNote(result.warnings));
    if (result.errorLines == 0 && result.warnings == 0) DeleteFileUtf8(ErrorLogPath());
    window.SetBusy(false);
    result.outcome = ModifyRunResult::Outcome::Finished;
    return result;
}

}  // namespace kel
