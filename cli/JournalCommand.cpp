#include "cli/JournalCommand.h"

#include <cstdio>

#include "cli/AppFolderCheck.h"
#include "cli/ExitCodes.h"
#include "runs/RunJournal.h"

namespace kel::cli {

namespace {

std::string Megabytes(std::uint64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1024.0 * 1024.0));
    return text;
}

}  // namespace

int RunRunsCommand(const CliArguments&, std::ostream& out, std::ostream& err) {
    if (!CheckApplicationFolder(err, true)) return kExitNoLogs;
    const std::vector<JournalRun> runs = ListJournalRuns();
    if (runs.empty()) {
        err << "kel-batch: the journal holds no run.\n";
        return kExitOk;
    }
    out << "id\ttime\tdrawings\tspace\ttemplate\n";
    for (const JournalRun& r : runs) {
        out << r.strId << '\t' << r.strTime << '\t' << r.entries.size() << '\t' << Megabytes(r.bytes) << '\t'
            << r.strTemplate << (r.strUndoneBy.empty() ? "" : "  (undone by " + r.strUndoneBy + ")") << '\n';
    }
    return kExitOk;
}

int RunUndoCommand(const CliArguments& args, std::ostream& out, std::ostream& err) {
    if (!CheckApplicationFolder(err, true)) return kExitNoLogs;
    std::vector<UndoItem> items;
    std::string strUndoId, strErr;
    if (!UndoRun(args.strRunId, args.blnForce, items, strUndoId, strErr)) {
        err << "kel-batch: cannot undo: " << strErr << ".\n";
        return kExitNotRun;
    }
    int restored = 0, left = 0;
    for (const UndoItem& item : items) {
        if (item.blnRestored) {
            ++restored;
            out << "Restored " << item.strPath << "\n";
        } else {
            ++left;
            err << "kel-batch: " << item.strPath << ": not restored, " << item.strReason << ".\n";
        }
    }
    out << restored << " drawing(s) restored, " << left << " left as they are."
        << (strUndoId.empty() ? "" : " The undo is run " + strUndoId + " of the journal.") << "\n";
    return left == 0 ? kExitOk : kExitDrawingsFailed;
}

}  // namespace kel::cli
