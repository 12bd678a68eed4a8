#include "runs/DrawingStep.h"

#include "component/ComponentStatus.h"
#include "platform/FileSystem.h"
#include "runs/PathText.h"
#include "runs/RunLogs.h"

namespace kel {

namespace {

// The component's status after a failed call; "" when it has none to give.
std::string ComponentStatusOf(const cAutoCAD& engine) {
    try {
        const std::string strStatus = engine.objDWG ? engine.objDWG->Status() : std::string();
        return strStatus == kStatusOk ? std::string() : strStatus;
    } catch (...) {
        return {};
    }
}

// "TEXT (reason)." or "TEXT." for a text given without its full stop.
std::string WithReason(const std::string& strText, const std::string& strReason, bool blnReason) {
    return blnReason && !strReason.empty() ? strText + " (" + strReason + ")." : strText + ".";
}

}  // namespace

namespace {

// Saves the changed drawing, keeping its original in the journal first.
void SaveChanged(cAutoCAD& engine, const std::string& strPath, LogFile* audit, const StepExtras& extras,
                 DrawingStepResult& result) {
    JournalEntry kept;
    if (extras.journal) {
        std::string strWhy;
        kept.strOriginal = extras.journal->KeepOriginal(strPath, kept.blnLinked, strWhy);
        if (kept.strOriginal.empty()) {
            result.outcome = DrawingOutcome::SaveFailed;
            result.strStatus = "the original could not be kept for an undo: " + strWhy + "; use --no-journal";
            return;
        }
    }
    // What was written, so that an undo can tell whether the drawing changed
    // since: taken from the bytes as they are saved, or read back from the
    // file where the save did not pass them by.
    bool watching = false, hashed = false;
    std::uint64_t size = 0, hash = 0;
    ContentHasher hasher(HashKind::Wordwise);
    bool saved = false;
    {
        SaveWatch::Seen seen;
        seen.begin = [&](const std::string& strSaved) {
            watching = extras.journal && strSaved == strPath;
            hasher = ContentHasher(HashKind::Wordwise);
            size = 0;
        };
        seen.pieces = [&](const std::vector<std::string_view>& pieces) {
            if (!watching) return;
            for (const std::string_view piece : pieces) {
                hasher.Add(piece.data(), piece.size());
                size += piece.size();
            }
        };
        seen.landed = [&](const std::string& strSaved) {
            if (!watching || strSaved != strPath) return;
            hash = hasher.Result();
            hashed = true;
        };
        const SaveWatch watch(std::move(seen));
        saved = engine.SaveDrawing(strPath, -1) == 1;
    }
    // The save cleared the folder of temporary files earlier runs left when they were killed.
    for (const std::string& removed : TakeRemovedTempFiles()) {
        if (audit) audit->WriteLine("Removed left-over temporary file " + removed);
    }
    if (!saved) {
        result.outcome = DrawingOutcome::SaveFailed;
        result.strStatus = ComponentStatusOf(engine);
        if (extras.journal) extras.journal->Discard(kept.strOriginal);
        return;
    }
    result.outcome = DrawingOutcome::Saved;
    if (extras.journal) {
        if (!hashed) FileContentHash(strPath, HashKind::Wordwise, size, hash);
        kept.size = size;
        kept.hash = hash;
        kept.hashKind = HashKind::Wordwise;
        // The undo may be asked for from another folder.
        kept.strPath = AbsolutePathText(strPath);
        result.journal = std::move(kept);
    }
}

}  // namespace

DrawingStepResult ModifyOneDrawing(cAutoCAD& engine, const std::string& strPath, const std::string& strDelimiter,
                                   LogFile* audit, IStatusLine& status, const StepExtras& extras) {
    DrawingStepResult result;
    engine.changes.clear();
    if (!FileExists(strPath)) {
        if (audit) audit->WriteLine(strPath + " not found.");
        result.outcome = DrawingOutcome::Missing;
        return result;
    }
    if (audit) audit->WriteLine(strPath);
    if (IsWriteProtected(strPath)) {
        if (audit) audit->WriteLine("Not changed: the drawing is read-only.");
        result.outcome = DrawingOutcome::SaveFailed;
        result.strStatus = status::Make(status::kReadOnly, "The drawing is read-only");
        return result;
    }
    const std::int16_t opened = engine.OpenDrawing(strPath);
    status.SetMessage("Processing " + strPath + "...");
    status.RepaintMessage();
    if (opened != 1) {
        result.outcome = DrawingOutcome::OpenFailed;
        // Only .dwg and .dxf names are handed to the component at all.
        result.strStatus = opened == 0 ? "the name must end in .dwg or .dxf" : ComponentStatusOf(engine);
        return result;
    }
    if (engine.GetAttributes(&result.strErr, strDelimiter, audit && audit->IsOpen() ? audit : nullptr) == 1) {
        if (extras.blnDryRun) {
            result.outcome = DrawingOutcome::Saved;
        } else {
            SaveChanged(engine, strPath, audit, extras, result);
        }
    } else {
        result.outcome = DrawingOutcome::ModifyFailed;
    }
    result.changes = std::move(engine.changes);
    engine.changes.clear();
    engine.CloseDrawing();
    return result;
}

std::string EntryErrorText(const DrawingStepResult& step, const std::string& strPath, bool blnReason) {
    switch (step.outcome) {
        case DrawingOutcome::Missing:
            return "DWG file not found.";
        case DrawingOutcome::OpenFailed:
            return WithReason("Error opening DWG file", step.strStatus, blnReason);
        case DrawingOutcome::ModifyFailed:
            return "Unable to modify block attributes. " + step.strErr;
        case DrawingOutcome::SaveFailed:
            return SaveFailureText(strPath, step.strStatus);
        case DrawingOutcome::Saved:
            break;
    }
    return {};
}

std::string ModifyErrorText(const DrawingStepResult& step, const std::string& strPath, bool blnReason) {
    const std::string strUpper = UpperAscii(GetFileName(strPath));
    switch (step.outcome) {
        case DrawingOutcome::Missing:
            return "File " + strUpper + " not found.";
        case DrawingOutcome::OpenFailed:
            return WithReason("Error opening file " + strUpper, step.strStatus, blnReason);
        case DrawingOutcome::ModifyFailed:
            return step.strErr.empty() ? "Unable to modify block attributes." : step.strErr;
        case DrawingOutcome::SaveFailed:
            return SaveFailureText(strPath, step.strStatus);
        case DrawingOutcome::Saved:
            break;
    }
    return {};
}

bool IsNothingToChange(const DrawingStepResult& step) {
    return step.outcome == DrawingOutcome::ModifyFailed && step.strErr == kNoDataFound;
}

int ReportIgnoredLines(const cAutoCAD& engine, const std::string& strDelimiter, const std::string& strTemplate,
                       LogFile* errors, IStatusLine& status, std::set<std::string>* warned) {
    if (warned && !warned->insert(strTemplate).second) return 0;
    int reported = 0;
    for (const std::string& strWarning : engine.IgnoredTagLines(strDelimiter)) {
        if (errors) errors->WriteLine(TemplateErrorLine(strTemplate, strWarning));
        status.Warn(GetFileName(strTemplate) + ": " + strWarning);
        ++reported;
    }
    return reported;
}

std::string SaveFailureText(const std::string& strPath, const std::string& strStatus) {
    std::string text = "Unable to save drawing " + UpperAscii(GetFileName(strPath));
    if (!strStatus.empty()) text += " (" + strStatus + ")";
    return text + ".";
}

}  // namespace kel
