#include "runs/RunJournal.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <random>
#include <sstream>

#include "engine/TextLines.h"
#include "platform/AppFolder.h"
#include "platform/FileSystem.h"
#include "platform/LocalTime.h"
#include "runs/PathText.h"
#include "runs/RunFormats.h"
#include "runs/RunOptions.h"
#include "runs/RunWindow.h"

namespace kel {

namespace fs = std::filesystem;

namespace {

constexpr const char* kIndex = "index.txt";
constexpr const char* kMagic = "KEL journal 1";

// "20261206-214512-345-" (date, time, milliseconds) and four random hex
// digits: sorts by the time the run began.
std::string NewId() {
    const auto clock = std::chrono::system_clock::now();
    const std::time_t now = std::chrono::system_clock::to_time_t(clock);
    const long millis = static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(clock.time_since_epoch()).count() % 1000);
    const std::tm local = LocalTime(now);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    static std::mt19937 rng{std::random_device{}()};
    char tail[16];
    std::snprintf(tail, sizeof tail, "-%03ld-%04x", millis, static_cast<unsigned>(rng() & 0xFFFF));
    return std::string(stamp) + tail;
}

bool AppendLine(const std::string& strFile, const std::string& strLine) {
    std::FILE* f = OpenFileUtf8(strFile, "ab");
    if (!f) return false;
    const std::string line = strLine + "\n";
    bool ok = std::fwrite(line.data(), 1, line.size(), f) == line.size();
    ok = std::fflush(f) == 0 && ok;
    return std::fclose(f) == 0 && ok;
}

std::vector<std::string> Fields(const std::string& strLine, std::size_t n) {
    // The last field takes the rest of the line (a path may hold a tab).
    std::vector<std::string> fields;
    std::size_t at = 0;
    while (fields.size() + 1 < n) {
        const std::size_t tab = strLine.find('\t', at);
        if (tab == std::string::npos) break;
        fields.push_back(strLine.substr(at, tab - at));
        at = tab + 1;
    }
    fields.push_back(strLine.substr(at));
    return fields;
}

bool ReadRun(const fs::path& folder, JournalRun& run) {
    std::vector<std::string> lines;
    if (!ReadTextLines(PathToUtf8(folder / kIndex), lines) || lines.empty() || lines[0] != kMagic) return false;
    run = JournalRun{};
    run.strId = PathToUtf8(folder.filename());
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::vector<std::string> f = Fields(lines[i], 2);
        if (f.size() < 2) continue;
        if (f[0] == "time") {
            run.strTime = f[1];
        } else if (f[0] == "template") {
            run.strTemplate = f[1];
        } else if (f[0] == "undone") {
            run.strUndoneBy = f[1];
        } else if (f[0] == "drawing") {
            const std::vector<std::string> d = Fields(lines[i], 6);
            if (d.size() != 6) continue;
            JournalEntry e;
            e.strOriginal = d[1];
            e.blnLinked = d[2] == "linked";
            e.size = std::strtoull(d[3].c_str(), nullptr, 10);
            // An entry whose hash cannot be read never matches: its drawing reads as changed since.
            if (!ParseHashText(d[4], e.hashKind, e.hash)) e.size = ~std::uint64_t{0};
            e.strPath = d[5];
            std::error_code ec;
            const auto bytes = fs::file_size(folder / PathFromUtf8(e.strOriginal), ec);
            if (!ec) run.bytes += bytes;
            run.entries.push_back(std::move(e));
        }
    }
    return true;
}

// Keeps strPath's present file as strTarget: a hard link, or a copy when the
// link cannot be made (another file system). The copy is made by the file
// system a stretch at a time, never holding the drawing in memory; one that
// fails part way is removed.
bool KeepFile(const std::string& strPath, const std::string& strTarget, bool& blnLinked, std::string& strErr) {
    std::error_code ec;
    fs::create_hard_link(PathFromUtf8(strPath), PathFromUtf8(strTarget), ec);
    blnLinked = !ec;
    if (blnLinked) return true;
    ec.clear();
    if (fs::copy_file(PathFromUtf8(strPath), PathFromUtf8(strTarget), ec) && !ec) return true;
    strErr = "cannot copy " + strPath + " to " + strTarget + ": " + ec.message();
    std::error_code ignored;
    fs::remove(PathFromUtf8(strTarget), ignored);
    return false;
}

}  // namespace

std::string JournalFolder() { return JoinPath(ApplicationFolder(), "journal"); }

bool RunJournal::Begin(const std::string& strTemplate, std::string& strErr) {
    const std::string strRoot = JournalFolder();
    std::error_code ec;
    fs::create_directories(PathFromUtf8(strRoot), ec);
    for (int attempt = 0; attempt < 8; ++attempt) {
        const std::string strId = NewId();
        const std::string strFolder = JoinPath(strRoot, strId);
        if (!fs::create_directory(PathFromUtf8(strFolder), ec) || ec) continue;
        const std::string strIndex = JoinPath(strFolder, kIndex);
        if (!AppendLine(strIndex, kMagic) || !AppendLine(strIndex, "time\t" + Timestamp()) ||
            !AppendLine(strIndex, "template\t" + strTemplate)) {
            fs::remove_all(PathFromUtf8(strFolder), ec);
            break;
        }
        strFolder_ = strFolder;
        strId_ = strId;
        return true;
    }
    strErr = "cannot make a journal folder in " + strRoot;
    return false;
}

std::string RunJournal::KeepOriginal(const std::string& strPath, bool& blnLinked, std::string& strErr) {
    std::string strName;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        strName = std::to_string(++next_) + ".orig";
    }
    if (!KeepFile(strPath, JoinPath(strFolder_, strName), blnLinked, strErr)) return {};
    return strName;
}

void RunJournal::Record(const JournalEntry& e) {
    AppendLine(JoinPath(strFolder_, kIndex), "drawing\t" + e.strOriginal + "\t" + (e.blnLinked ? "linked" : "copied") +
                                                 "\t" + std::to_string(e.size) + "\t" + HashText(e.hashKind, e.hash) + "\t" + e.strPath);
    ++recorded_;
}

void RunJournal::Discard(const std::string& strOriginal) {
    if (strOriginal.empty()) return;
    DeleteFileUtf8(JoinPath(strFolder_, strOriginal));
}

void RunJournal::End() {
    if (strFolder_.empty()) return;
    if (recorded_ == 0) {
        std::error_code ec;
        fs::remove_all(PathFromUtf8(strFolder_), ec);
    }
    strFolder_.clear();
}

std::vector<JournalRun> ListJournalRuns() {
    std::vector<JournalRun> runs;
    std::error_code ec;
    for (fs::directory_iterator it(PathFromUtf8(JournalFolder()), ec), end; !ec && it != end; it.increment(ec)) {
        JournalRun run;
        if (it->is_directory() && ReadRun(it->path(), run)) runs.push_back(std::move(run));
    }
    std::sort(runs.begin(), runs.end(), [](const JournalRun& a, const JournalRun& b) { return a.strId < b.strId; });
    return runs;
}

std::vector<std::string> PruneJournal(int intRuns, std::uint64_t lngMegabytes, const std::string& strKeep) {
    std::vector<JournalRun> runs = ListJournalRuns();
    std::uint64_t total = 0;
    for (const JournalRun& r : runs) total += r.bytes;
    const std::uint64_t cap = lngMegabytes * 1024 * 1024;
    std::vector<std::string> removed;
    std::size_t count = runs.size();
    for (const JournalRun& r : runs) {
        if (count <= static_cast<std::size_t>(std::max(intRuns, 1)) && total <= cap) break;
        if (r.strId == strKeep) continue;
        std::error_code ec;
        fs::remove_all(PathFromUtf8(JoinPath(JournalFolder(), r.strId)), ec);
        if (ec) continue;
        removed.push_back(r.strId);
        total -= r.bytes;
        --count;
    }
    return removed;
}

bool BeginRunJournal(const RunOptions& options, const std::string& strWhat, RunJournal& journal,
                     std::string& strMessage) {
    if (options.blnDryRun || !options.blnJournal) return true;
    std::string strWhy;
    if (journal.Begin(AbsolutePathText(strWhat), strWhy)) return true;
    strMessage = "Unable to keep the journal for an undo (" + strWhy + "). No drawing was changed.";
    return false;
}

void EndRunJournal(const RunOptions& options, RunJournal& journal, IStatusLine& status) {
    if (!journal.IsOpen()) return;
    const std::string strId = journal.Id();
    journal.End();
    const std::vector<std::string> removed =
        PruneJournal(options.intJournalRuns, options.lngJournalMegabytes, strId);
    if (removed.empty()) return;
    std::string strRuns;
    for (const std::string& r : removed) strRuns += (strRuns.empty() ? "" : ", ") + r;
    status.Warn("The journal keeps " + std::to_string(options.intJournalRuns) + " run(s) and " +
                std::to_string(options.lngJournalMegabytes) + " MB: the oldest run(s) " + strRuns +
                " can no longer be undone.");
}

bool UndoRun(const std::string& strId, bool blnForce, std::vector<UndoItem>& items, std::string& strUndoId,
             std::string& strErr) {
    const std::vector<JournalRun> runs = ListJournalRuns();
    if (runs.empty()) {
        strErr = "the journal holds no run";
        return false;
    }
    const auto found = strId.empty() ? runs.end() - 1
                                     : std::find_if(runs.begin(), runs.end(),
                                                    [&](const JournalRun& r) { return r.strId == strId; });
    if (found == runs.end()) {
        strErr = "the journal holds no run " + strId;
        return false;
    }
    const JournalRun& run = *found;
    const std::string strFolder = JoinPath(JournalFolder(), run.strId);
    RunJournal undo;
    if (!undo.Begin("undo of run " + run.strId, strErr)) return false;
    // Last change first: a drawing changed twice goes back through both.
    for (auto e = run.entries.rbegin(); e != run.entries.rend(); ++e) {
        UndoItem item{e->strPath, false, {}};
        std::string strNow, strWhy;
        const bool present = ReadWholeFile(e->strPath, strNow, strWhy);
        const bool same = present && strNow.size() == e->size && ContentHash(strNow, e->hashKind) == e->hash;
        std::string strOriginal;
        if (!same && !blnForce) {
            item.strReason = present ? "changed since the run (--force puts it back all the same)"
                                     : "no longer there (--force puts it back all the same)";
        } else if (!ReadWholeFile(JoinPath(strFolder, e->strOriginal), strOriginal, strWhy)) {
            item.strReason = "its original is gone from the journal (" + strWhy + ")";
        } else {
            bool linked = false;
            const std::string strKept = present ? undo.KeepOriginal(e->strPath, linked, strWhy) : std::string("-");
            if (strKept.empty()) {
                item.strReason = "cannot keep its present state for an undo (" + strWhy + ")";
            } else if (!WriteFileAtomic(e->strPath, strOriginal, strWhy)) {
                if (present) undo.Discard(strKept);
                item.strReason = "cannot be written (" + strWhy + ")";
            } else {
                if (present) undo.Record(JournalEntry{strKept, linked, strOriginal.size(),
                                                      ContentHash(strOriginal, HashKind::Wordwise), HashKind::Wordwise,
                                                      e->strPath});
                item.blnRestored = true;
            }
        }
        items.push_back(std::move(item));
    }
    const bool restored = std::any_of(items.begin(), items.end(), [](const UndoItem& i) { return i.blnRestored; });
    strUndoId = restored ? undo.Id() : std::string();
    undo.End();
    if (restored) AppendLine(JoinPath(strFolder, kIndex), "undone\t" + strUndoId);
    return true;
}

}  // namespace kel
