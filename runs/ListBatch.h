// The drawing list file batch: each line of the list file pairs a drawing, or
// a wildcard naming drawings, with the template to apply to it.
#pragma once

#include <cstdint>

#include "engine/IUserMessages.h"
#include "engine/cAutoCAD.h"
#include "runs/RunOptions.h"
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
    // Drawings in which the template found nothing to change.
    int unchanged = 0;
    // Entries or scanned drawings that failed.
    int failures = 0;
    // Lines written to the error log (ignored template lines included).
    int errorLines = 0;
    // Template lines that do nothing, each reported once per template.
    int warnings = 0;
    // Drawings run of those planned; fewer after a cancel.
    int done = 0;
    int total = 0;
    bool stopped = false;  // cancelled between drawings
};

// The list file is options.strListFile unless that is empty or "/p"; then the
// window's file dialog asks for it. The list's lines are read first (wildcard
// entries scanned, templates read), then its drawings are run, options.intJobs
// at a time, those of options.shard alone.
BatchResult RunListBatch(const RunOptions& options, IBatchWindow& window, const ComponentFactory& factory,
                         IUserMessages* messages);

}  // namespace kel
