// The Modify run: one template applied to a list of drawings.
#pragma once

#include <string>

#include "engine/IUserMessages.h"
#include "engine/cAutoCAD.h"
#include "runs/RunOptions.h"
#include "runs/RunWindow.h"

namespace kel {

struct ModifyRunResult {
    // LogsUnwritable: the audit log is on but cannot be written; no drawing was touched.
    enum class Outcome { ComponentFailed, LogsUnwritable, TemplateRejected, Finished };
    Outcome outcome = Outcome::ComponentFailed;
    // Drawings modified and saved.
    int modified = 0;
    // Drawings in which the template found nothing to change.
    int unchanged = 0;
    // Drawings run (of those in the shard); fewer than total after a cancel.
    int done = 0;
    int total = 0;
    bool cancelled = false;
    // Failure lines written to the error log.
    int errorLines = 0;
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
