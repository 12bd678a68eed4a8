// One drawing of a run: open it, apply the prepared template, save it when that
// worked, close it. The three runs share this and differ only in their texts.
#pragma once

#include <string>

#include "engine/LogFile.h"
#include "engine/cAutoCAD.h"
#include "runs/RunWindow.h"

namespace kel {

enum class DrawingOutcome { Missing, OpenFailed, ModifyFailed, SaveFailed, Saved };

struct DrawingStepResult {
    DrawingOutcome outcome = DrawingOutcome::Missing;
    // What GetAttributes reported (ModifyFailed).
    std::string strErr;
    // The component's status after the failed save (SaveFailed).
    std::string strSaveStatus;
};

// The audit log, when given, gets the drawing's path before it is opened (or the
// path and " not found."), then the lines of GetAttributes. The status line
// shows "Processing <path>..." once the drawing has been opened.
DrawingStepResult ModifyOneDrawing(cAutoCAD& engine, const std::string& strPath, const std::string& strDelimiter,
                                   LogFile* audit, IStatusLine& status);

// The list file batch's and the wildcard scan's text for a drawing that did not
// end saved: "DWG file not found.", "Error opening DWG file.", "Unable to modify
// block attributes. " and GetAttributes' text, or the save failure.
std::string EntryErrorText(const DrawingStepResult& step, const std::string& strPath);

// "Unable to save drawing NAME (status)." with the file name in upper case.
std::string SaveFailureText(const std::string& strPath, const std::string& strStatus);

}  // namespace kel
