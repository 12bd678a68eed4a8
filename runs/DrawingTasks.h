// The drawings of a run processed one after another or several at once. Each
// worker has an engine object of its own; whatever a drawing reports (status
// texts, audit lines, its outcome) reaches the run in the order of the tasks,
// so the logs and messages of a run are the same for any number of workers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/IUserMessages.h"
#include "engine/LogFile.h"
#include "engine/cAutoCAD.h"
#include "runs/DrawingStep.h"
#include "runs/RunWindow.h"

namespace kel {

struct DrawingTask {
    std::string strDrawing;
    std::string strTemplate;
    // The drawing's lines go to the audit log.
    bool blnAudit = false;
    // For the template's placeholders: the drawing's place in the whole run
    // (from 0, a slice's drawings keep the numbers of the whole list) and the
    // folder its {path} is relative to.
    std::int64_t number = 0;
    std::string strRoot;
    // A spreadsheet's cells for this drawing: when given, they are brought in
    // instead of the template (which is then not read).
    std::shared_ptr<const std::vector<SheetInsertEdit>> sheetEdits;
};

// What one task did. With several workers the status texts and audit lines
// are kept here until the task's turn; one after another they went out at once.
struct DrawingReport {
    // A template that cannot be prepared ends the step as ModifyFailed with
    // the template's error text.
    DrawingStepResult step;
    std::vector<std::string> messages;
    std::vector<std::string> auditLines;
};

struct DrawingTaskSetup {
    const ComponentFactory& factory;
    IUserMessages* messages = nullptr;
    std::string strDelimiter;
    int intJobs = 1;
    // The run's audit log (tasks with blnAudit write to it) and status line.
    LogFile* audit = nullptr;
    IStatusLine& status;
    // One after another the tasks use this engine object, which the run made.
    cAutoCAD& engine;
    // Dry run and journal of every step.
    StepExtras extras;
    // The number of drawings the placeholders count, and the run's time.
    std::int64_t count = 0;
    std::time_t now = 0;
};

struct RunOptions;

// The setup of a run's tasks from its options: the run's audit log (when
// open), status line, engine and journal (when kept); count drawings numbered.
DrawingTaskSetup RunTaskSetup(const RunOptions& options, const ComponentFactory& factory, IUserMessages* messages,
                              LogFile& audit, IStatusLine& status, cAutoCAD& engine, RunJournal& journal,
                              std::int64_t count);

// What every run does with a drawing's report first: its changes go to the
// status line and, when it was saved, its original into the journal. True
// when it was saved.
bool TakeSavedDrawing(const DrawingReport& report, const std::string& strDrawing, IStatusLine& status,
                      RunJournal& journal);

// A drawing a template or import run could not change: its error line goes
// to the error log and the status line.
void ReportFailedDrawing(const DrawingReport& report, const std::string& strDrawing, IStatusLine& status,
                         LogFile& errors);

// What a template or import run counts of its drawings.
struct RunCounts {
    // Drawings modified and saved.
    int modified = 0;
    // Drawings in which there was nothing to change.
    int unchanged = 0;
    // Drawings run (of those in the shard); fewer than total after a cancel.
    int done = 0;
    int total = 0;
    bool cancelled = false;
    // Failure lines written to the error log.
    int errorLines = 0;
};

// Runs the tasks (RunDrawingTasks) and takes each report into the counts:
// saved (TakeSavedDrawing), or failed with its error line
// (ReportFailedDrawing). A drawing with nothing to change is counted as
// unchanged and, when unchangedFails, reported as a failure too. Each drawing
// shows as progress on the status line; counts.total is the number of tasks,
// done and cancelled are set when they end.
void RunAndCountDrawings(const std::vector<DrawingTask>& tasks, const DrawingTaskSetup& setup, IStatusLine& status,
                         RunJournal& journal, LogFile& errors, bool unchangedFails, RunCounts& counts);

// Runs the tasks with up to setup.intJobs at once. Two tasks of the same file
// never run at the same time: the later one waits. commit gets each report on
// the calling thread in task order, before the next task's. A cancel, asked
// for on the status line between drawings, starts no further task; the tasks
// already started finish and are committed. Returns the tasks committed.
std::size_t RunDrawingTasks(const std::vector<DrawingTask>& tasks, const DrawingTaskSetup& setup,
                            const std::function<void(std::size_t, DrawingReport&)>& commit);

}  // namespace kel
