// The drawing list file batch: each line of the list file pairs a drawing, or
// a wildcard naming drawings, with the template to apply to it.
#pragma once

#include <cstdint>

#include "engine/IUserMessages.h"
#include "engine/cAutoCAD.h"
#include "runs/RunWindow.h"

namespace kel {

struct BatchResult {
    enum class Outcome {
        Cancelled,           // no list file chosen in the dialog
        ListFileMissing,     // the file named on the command line does not exist
        ComponentFailed,     // the drawing component could not be created
        ListFileUnreadable,  // the list file exists but cannot be read as text
        LogsUnwritable,      // the audit log is on but cannot be written; nothing was run
        Finished,            // read to its end
        EndLine              // an "END" line: the caller ends the program now
    };
    Outcome outcome = Outcome::Cancelled;
    // Drawings modified and saved, wildcard entries included.
    std::int32_t modified = 0;
    // Entries or scanned drawings that failed.
    int failures = 0;
    // Lines written to the error log (ignored template lines included).
    int errorLines = 0;
    // Template lines that do nothing, each reported once per template.
    int warnings = 0;
};

// The list file is the window's command line unless that is empty or "/p";
// then the window's file dialog asks for it.
BatchResult RunListBatch(IBatchWindow& window, const ComponentFactory& factory, IUserMessages* messages);

}  // namespace kel
