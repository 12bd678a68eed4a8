// One drawing of a run: open it, apply the prepared template, save it when that
// worked, close it. The three runs share this and differ only in their texts.
#pragma once

#include <set>
#include <string>

#include "engine/AttributeChange.h"
#include "engine/LogFile.h"
#include "engine/cAutoCAD.h"
#include "runs/RunJournal.h"
#include "runs/RunWindow.h"

namespace kel {

enum class DrawingOutcome { Missing, OpenFailed, ModifyFailed, SaveFailed, Saved };

struct DrawingStepResult {
    DrawingOutcome outcome = DrawingOutcome::Missing;
    // What GetAttributes reported (ModifyFailed).
    std::string strErr;
    // The component's status after the failed open (OpenFailed) or save
    // (SaveFailed; for a read-only drawing, which is never opened, the status
    // the component gives when asked to save one).
    std::string strStatus;
    // The changes made (or, in a dry run, that a save would have written).
    std::vector<AttributeChange> changes;
    // A saved drawing's journal entry (its strOriginal is empty without a journal).
    JournalEntry journal;
};

// How a step ends: a dry run opens and changes the drawing but never saves it
// (Saved then means it would have been); with a journal the original is kept
// before the save, and a save without it is not made.
struct StepExtras {
    bool blnDryRun = false;
    RunJournal* journal = nullptr;
};

// The audit log, when given, gets the drawing's path before it is opened (or the
// path and " not found."), then the lines of GetAttributes. The status line
// shows "Processing <path>..." once the drawing has been opened. A read-only
// drawing is not opened: it ends as a failed save, with a line saying so in the
// audit log.
DrawingStepResult ModifyOneDrawing(cAutoCAD& engine, const std::string& strPath, const std::string& strDelimiter,
                                   LogFile* audit, IStatusLine& status, const StepExtras& extras = {});

// The list file batch's and the wildcard scan's text for a drawing that did not
// end saved: "DWG file not found.", "Error opening DWG file.", "Unable to modify
// block attributes. " and GetAttributes' text, or the save failure. With
// blnReason a failed open names the component's reason too ("Error opening
// DWG file (2004:Unsupported format AC1021)."), as the error log and the
// command line show it; the status line keeps the short text.
std::string EntryErrorText(const DrawingStepResult& step, const std::string& strPath, bool blnReason = true);

// The Modify run's text for the same: "File NAME not found.", "Error opening
// file NAME." (with the reason when asked, as above), GetAttributes' text or
// "Unable to modify block attributes.", or the save failure.
std::string ModifyErrorText(const DrawingStepResult& step, const std::string& strPath, bool blnReason = true);

// True for a drawing in which the template found nothing to change.
bool IsNothingToChange(const DrawingStepResult& step);

// Reports the prepared template's lines that do nothing with this delimiter:
// each goes to the status line's Warn and, when given, to the error log. With
// warned, a template already in it is not reported again and is added to it
// otherwise. Returns the number of lines reported.
int ReportIgnoredLines(const cAutoCAD& engine, const std::string& strDelimiter, const std::string& strTemplate,
                       LogFile* errors, IStatusLine& status, std::set<std::string>* warned = nullptr);

// "Unable to save drawing NAME (status)." with the file name in upper case.
std::string SaveFailureText(const std::string& strPath, const std::string& strStatus);

}  // namespace kel
