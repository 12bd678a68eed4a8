#include "runs/DrawingStep.h"

#include "platform/FileSystem.h"
#include "runs/PathText.h"

namespace kel {

DrawingStepResult ModifyOneDrawing(cAutoCAD& engine, const std::string& strPath, const std::string& strDelimiter,
                                   LogFile* audit, IStatusLine& status) {
    DrawingStepResult result;
    if (!FileExists(strPath)) {
        if (audit) audit->WriteLine(strPath + " not found.");
        result.outcome = DrawingOutcome::Missing;
        return result;
    }
    if (audit) audit->WriteLine(strPath);
    const std::int16_t opened = engine.OpenDrawing(strPath);
    status.SetMessage("Processing " + strPath + "...");
    status.RepaintMessage();
    if (opened != 1) {
        result.outcome = DrawingOutcome::OpenFailed;
        return result;
    }
    if (engine.GetAttributes(&result.strErr, strDelimiter, audit && audit->IsOpen() ? audit : nullptr) == 1) {
        const bool saved = engine.SaveDrawing(strPath, -1) == 1;
        // The save cleared the folder of temporary files earlier runs left when they were killed.
        for (const std::string& removed : TakeRemovedTempFiles()) {
            if (audit) audit->WriteLine("Removed left-over temporary file " + removed);
        }
        if (saved) {
            result.outcome = DrawingOutcome::Saved;
        } else {
            result.outcome = DrawingOutcome::SaveFailed;
            result.strSaveStatus = engine.objDWG ? engine.objDWG->Status() : std::string();
        }
    } else {
        result.outcome = DrawingOutcome::ModifyFailed;
    }
    engine.CloseDrawing();
    return result;
}

std::string EntryErrorText(const DrawingStepResult& step, const std::string& strPath) {
    switch (step.outcome) {
        case DrawingOutcome::Missing:
            return "DWG file not found.";
        case DrawingOutcome::OpenFailed:
            return "Error opening DWG file.";
        case DrawingOutcome::ModifyFailed:
            return "Unable to modify block attributes. " + step.strErr;
        case DrawingOutcome::SaveFailed:
            return SaveFailureText(strPath, step.strSaveStatus);
        case DrawingOutcome::Saved:
            break;
    }
    return {};
}

std::string SaveFailureText(const std::string& strPath, const std::string& strStatus) {
    std::string text = "Unable to save drawing " + UpperAscii(GetFileName(strPath));
    if (!strStatus.empty()) text += " (" + strStatus + ")";
    return text + ".";
}

}  // namespace kel
