// The Modify run: the window's template applied to every selected drawing.
#pragma once

#include "engine/IUserMessages.h"
#include "engine/cAutoCAD.h"
#include "runs/RunWindow.h"

namespace kel {

struct ModifyRunResult {
    // LogsUnwritable: the audit log is on but cannot be written; no drawing was touched.
    enum class Outcome { ComponentFailed, LogsUnwritable, TemplateRejected, Finished };
    Outcome outcome = Outcome::ComponentFailed;
    // Drawings modified and saved.
    int modified = 0;
    // Failure lines written to the error log.
    int errorLines = 0;
    // Why the template was rejected (TemplateRejected).
    std::string strTemplateError;
    // Template lines that do nothing (each also has an error log line).
    int warnings = 0;
};

// Runs over the selected drawings of the window with one engine object made
// from the factory. Logs go to the application folder.
ModifyRunResult RunModify(IModifyWindow& window, const ComponentFactory& factory, IUserMessages* messages);

}  // namespace kel
