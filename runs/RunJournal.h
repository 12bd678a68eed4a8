// The journal of the runs that changed drawings, kept in the application
// folder so that a run can be taken back. Each run has a folder of its own
// (journal/<id>) with an index and the original of every drawing it changed:
// a hard link to the original file where the journal lies on the same file
// system (a save replaces the drawing by a new file, so the link keeps the old
// one), a copy otherwise. The index names, for each drawing, what KEL wrote
// (size and hash), so that an undo can tell a drawing changed since.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "component/ContentHash.h"

namespace kel {

// What one run changed, as its index tells it.
struct JournalEntry {
    std::string strOriginal;  // file name of the kept original within the run's folder
    bool blnLinked = false;
    std::uint64_t size = 0;   // of what the run wrote
    std::uint64_t hash = 0;
    HashKind hashKind = HashKind::Wordwise;
    std::string strPath;      // the drawing
};

struct JournalRun {
    std::string strId;  // sorts in the order the runs began
    std::string strTime;
    std::string strTemplate;
    std::vector<JournalEntry> entries;
    std::uint64_t bytes = 0;  // space its originals take
    std::string strUndoneBy;  // the id of the run that took it back, if any
};

// The journal folder of the application folder.
std::string JournalFolder();

// The journal of one run as it goes on. KeepOriginal may be called from
// several workers at once; Record and Discard from the run's own thread.
class RunJournal {
public:
    // Starts a run: its folder and index. False, with why, when they cannot be made.
    bool Begin(const std::string& strTemplate, std::string& strErr);
    bool IsOpen() const { return !strFolder_.empty(); }
    const std::string& Id() const { return strId_; }

    // Keeps the drawing's present file as an original; the name within the
    // run's folder, or "" with why when it could not be kept.
    std::string KeepOriginal(const std::string& strPath, bool& blnLinked, std::string& strErr);
    // The drawing was saved with strWritten's content (size and hash given).
    void Record(const JournalEntry& entry);
    // An original kept for a save that did not happen.
    void Discard(const std::string& strOriginal);
    // Removes the run's folder when it recorded nothing.
    void End();

private:
    std::string strFolder_;
    std::string strId_;
    std::mutex mutex_;
    int next_ = 0;
    int recorded_ = 0;
};

// The runs of the journal, oldest first; unreadable folders are left out.
std::vector<JournalRun> ListJournalRuns();

// Removes the oldest runs (never strKeep) until at most intRuns runs and
// lngMegabytes of originals remain; returns the ids removed.
std::vector<std::string> PruneJournal(int intRuns, std::uint64_t lngMegabytes, const std::string& strKeep);

class IStatusLine;
struct RunOptions;

// The journal of a run about to start, when it keeps one (not in a dry run,
// not with blnJournal off). False, with the message for the status line, when
// it cannot be made: the run then changes nothing.
bool BeginRunJournal(const RunOptions& options, const std::string& strWhat, RunJournal& journal,
                     std::string& strMessage);

// Ends the run's journal and keeps the journal within the options' limits,
// telling the status line which runs made room.
void EndRunJournal(const RunOptions& options, RunJournal& journal, IStatusLine& status);

// One drawing of an undo: restored, or left with the reason.
struct UndoItem {
    std::string strPath;
    bool blnRestored = false;
    std::string strReason;
};

// Puts back the originals of run strId (the last run when empty), last change
// first: a drawing whose present bytes are what the run wrote is replaced by
// its original in one step; one changed since is left alone unless blnForce.
// The undo is a run of the journal itself, so it can be taken back too. False,
// with why, when the run is unknown or the undo's journal cannot be made.
bool UndoRun(const std::string& strId, bool blnForce, std::vector<UndoItem>& items, std::string& strUndoId,
             std::string& strErr);

}  // namespace kel
