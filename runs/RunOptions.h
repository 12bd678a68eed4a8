// Everything a run is told: built by the window from its controls and by the
// command line from its arguments, and passed down to the runs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kel {

// The K-th of N slices of a batch's drawings (K from 1).
struct Shard {
    int index = 1;
    int count = 1;
};

struct RunOptions {
    // The Modify run: the template and the drawings, as paths.
    std::string strTemplate;
    std::vector<std::string> drawings;
    // The list file batch: the list file; "" or "/p" asks the window for one.
    std::string strListFile;
    std::string strDelimiter = ",";
    // The audit log is written.
    bool blnAudit = true;
    // Drawings found by wildcard entries write the audit and error logs too.
    bool blnLogScans = false;
    // Drawings opened, changed and saved at once (1: one after another).
    int intJobs = 1;
    // Only the drawings of this slice are run.
    Shard shard;
    // Everything but the saves: the changes are reported, no drawing is written.
    bool blnDryRun = false;
    // Each drawing's original is kept in the journal so that the run can be
    // taken back; the journal keeps at most these many runs and megabytes.
    bool blnJournal = true;
    int intJournalRuns = 20;
    std::uint64_t lngJournalMegabytes = 2048;
};

// True when the drawing falls in the slice. The slice depends on the path's
// text alone, so the same drawing falls in the same slice in every process.
bool InShard(const std::string& strDrawing, const Shard& shard);

// The number of drawings a run processes at once by default: the processor's cores.
int DefaultJobs();

}  // namespace kel
