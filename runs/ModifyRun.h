// The Modify run: one template applied to a list of drawings.
#pragma once

#include <string>

#include "engine/IUserMessages.h"
#include "engine/cAutoCAD.h"
#include "runs/DrawingTasks.h"
#include "runs/RunOptions.h"
#include "runs/RunWindow.h"

namespace kel {

struct ModifyRunResult : RunCounts {
    // LogsUnwritable: the audit log is on but cannot be written; no drawing was touched.
    enum class Outcome { ComponentFailed, LogsUnwritable, TemplateRejected, Finished };
    Outcome outcome = Outcome::ComponentFailed;
    // Why the template was rejected (TemplateRejected).
    std::string strTemplateError;
    // Template lines that do nothing (each also has an error log line).
    int warnings = 0;
};

// Runs options.strTemplate over options.drawings (those in options.shard) with
// one engine object made from the factory, and options.intJobs drawings at a
// time. Logs go to the application folder.
ModifyRunResult RunModify(const RunOptions& options, IModifyWindow& window, const ComponentFactory& factory,
                          IUserMessages* messages);

}  // namespace kel
