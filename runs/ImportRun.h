// The import run: a spreadsheet's cells brought into the drawings it names,
// through the same tasks, steps, logs and journal as a template run. Only
// cells that differ from a drawing's value change it; a drawing in which
// nothing differs is left as it is and is no failure.
#pragma once

#include <string>
#include <vector>

#include "engine/AttributeSheet.h"
#include "engine/IUserMessages.h"
#include "engine/cAutoCAD.h"
#include "runs/DrawingTasks.h"
#include "runs/RunOptions.h"
#include "runs/RunWindow.h"

namespace kel {

// Unchanged: drawings in which every cell matched.
struct ImportRunResult : RunCounts {
    // SheetRefused: the sheet names a drawing that is not there; nothing ran.
    enum class Outcome { ComponentFailed, LogsUnwritable, SheetRefused, Finished };
    Outcome outcome = Outcome::ComponentFailed;
    std::string strError;
};

// The drawings of edits that do not exist, one "PATH (row N)" each.
std::vector<std::string> MissingSheetDrawings(const std::vector<SheetDrawingEdit>& edits);

// Runs the edits (those of drawings in options.shard) with the options' jobs,
// dry run, journal and audit switch; strSheet names the sheet in the logs and
// the journal.
ImportRunResult RunImport(const RunOptions& options, const std::string& strSheet,
                          const std::vector<SheetDrawingEdit>& edits, IModifyWindow& window,
                          const ComponentFactory& factory, IUserMessages* messages);

}  // namespace kel
