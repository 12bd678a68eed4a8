#include "runs/DrawingTasks.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "component/ComponentStatus.h"
#include "platform/FileSystem.h"
#include "platform/FlushBehind.h"
#include "runs/RunLogs.h"
#include "runs/RunOptions.h"

namespace kel {

namespace {

// The status line of a worker: texts are kept for the task's turn.
class KeptStatus : public IStatusLine {
public:
    void SetMessage(const std::string& strText) override { messages.push_back(strText); }
    void RepaintMessage() override {}
    void SetBusy(bool) override {}
    std::vector<std::string> messages;
};

// Shows messages a KeptStatus held, in their order.
void ShowKept(IStatusLine& status, const std::vector<std::string>& messages) {
    for (const std::string& strText : messages) {
        status.SetMessage(strText);
        status.RepaintMessage();
    }
}

// Prepares the task's template unless it is the one prepared last.
bool PrepareFor(cAutoCAD& engine, const DrawingTask& task, std::string& strPrepared, std::string& strErr) {
    if (task.strTemplate == strPrepared && !strPrepared.empty()) return true;
    strPrepared.clear();
    engine.PrepTemplate(task.strTemplate, strErr);
    if (!strErr.empty()) return false;
    strPrepared = task.strTemplate;
    return true;
}

void RunTask(cAutoCAD& engine, const DrawingTask& task, const DrawingTaskSetup& setup, LogFile* audit,
             IStatusLine& status, std::string& strPrepared, DrawingReport& report) {
    engine.blnRecordChanges = setup.status.WantsChanges();
    engine.placeholders = PlaceholderContext{task.strDrawing, task.strRoot, task.number, setup.count, setup.now};
    engine.sheetEdits = task.sheetEdits.get();
    if (!task.sheetEdits && !PrepareFor(engine, task, strPrepared, report.step.strErr)) {
        report.step.outcome = DrawingOutcome::ModifyFailed;
        return;
    }
    report.step = ModifyOneDrawing(engine, task.strDrawing, setup.strDelimiter, task.blnAudit ? audit : nullptr, status,
                                   setup.extras);
    engine.sheetEdits = nullptr;
}

// A save that had not landed when its drawing was done: the drawing is not
// saved after all, and the journal lets go of its original.
void SaveDidNotLand(DrawingReport& report, const std::string& strPath, const std::string& strErr,
                    const StepExtras& extras) {
    if (extras.journal && !report.step.journal.strOriginal.empty()) {
        extras.journal->Discard(report.step.journal.strOriginal);
    }
    report.step.journal = JournalEntry{};
    report.step.outcome = DrawingOutcome::SaveFailed;
    report.step.strStatus = status::CannotWrite(strPath, strErr);
}

// One drawing after another; each saved drawing's flush to disk goes on
// while the next one is read and changed. A drawing is committed once its
// save has landed, and the next one's messages are kept until then, so that
// the run reports in the same order, with the same texts, as when each save
// finished before the next drawing began. A drawing that is the same file
// as the one still being flushed waits for that flush first.
std::size_t RunOneAfterAnother(const std::vector<DrawingTask>& tasks, const DrawingTaskSetup& setup,
                               const std::function<void(std::size_t, DrawingReport&)>& commit) {
    std::string strPrepared;
    // A run of one drawing has nothing to do meanwhile.
    std::optional<FlushBehind> behind;
    if (tasks.size() > 1) behind.emplace();
    struct Held {
        std::size_t index = 0;
        DrawingReport report;
        std::vector<std::size_t> saves;
        std::string strKey;  // SameFileKey of its drawing
    };
    std::optional<Held> held;
    const auto settle = [&] {
        if (!held) return;
        for (const std::size_t id : held->saves) {
            std::string strErr;
            if (!behind->Wait(id, strErr)) {
                SaveDidNotLand(held->report, tasks[held->index].strDrawing, strErr, setup.extras);
            }
        }
        commit(held->index, held->report);
        held.reset();
    };
    std::size_t i = 0;
    for (; i < tasks.size(); ++i) {
        if (setup.status.CancelRequested()) break;
        // Only needed while saves can be pending.
        std::string strKey = behind ? SameFileKey(tasks[i].strDrawing) : std::string();
        if (held && held->strKey == strKey) settle();
        DrawingReport report;
        if (held) {
            // The audit log takes nothing at a commit, so this drawing's lines go
            // straight after those of the drawing before.
            KeptStatus status;
            RunTask(setup.engine, tasks[i], setup, setup.audit, status, strPrepared, report);
            settle();
            ShowKept(setup.status, status.messages);
        } else {
            RunTask(setup.engine, tasks[i], setup, setup.audit, setup.status, strPrepared, report);
        }
        std::vector<std::size_t> saves = behind ? behind->TakeStarted() : std::vector<std::size_t>();
        if (saves.empty()) {
            commit(i, report);
        } else {
            held = Held{i, std::move(report), std::move(saves), std::move(strKey)};
        }
    }
    settle();
    return i;
}

// Shared state of the workers of one run.
struct Pool {
    const std::vector<DrawingTask>& tasks;
    const DrawingTaskSetup& setup;
    std::vector<std::string> keys;  // the file each task writes
    std::vector<DrawingReport> reports;
    std::vector<char> done;
    std::map<std::string, int> busy;  // files being worked on
    std::size_t next = 0;             // the next task to start
    std::size_t committed = 0;
    std::size_t limit = 0;            // no task starts at or after committed + limit
    bool stop = false;
    std::mutex mutex;
    std::condition_variable changed;

    void Work() {
        std::unique_ptr<cAutoCAD> engine = std::make_unique<cAutoCAD>(setup.factory, setup.messages);
        const bool created = engine->CreateComponent() == 1;
        std::string strPrepared;
        for (;;) {
            std::size_t i = 0;
            {
                std::unique_lock<std::mutex> lock(mutex);
                changed.wait(lock, [&] { return stop || next >= tasks.size() || next < committed + limit; });
                if (stop || next >= tasks.size()) return;
                i = next++;
                // An earlier task of the same file finishes first.
                changed.wait(lock, [&] { return busy[keys[i]] == 0; });
                ++busy[keys[i]];
            }
            DrawingReport report;
            if (created) {
                KeptStatus status;
                LogFile audit;
                audit.OpenInMemory();
                RunTask(*engine, tasks[i], setup, &audit, status, strPrepared, report);
                report.messages = std::move(status.messages);
                report.auditLines = audit.TakeLines();
            } else {
                report.step.outcome = DrawingOutcome::OpenFailed;
                report.step.strStatus = "the drawing component could not be created";
            }
            {
                const std::lock_guard<std::mutex> lock(mutex);
                --busy[keys[i]];
                reports[i] = std::move(report);
                done[i] = 1;
            }
            changed.notify_all();
        }
    }
};

std::size_t RunSideBySide(const std::vector<DrawingTask>& tasks, const DrawingTaskSetup& setup,
                          const std::function<void(std::size_t, DrawingReport&)>& commit) {
    Pool pool{tasks, setup, {}, std::vector<DrawingReport>(tasks.size()), std::vector<char>(tasks.size(), 0),
              {}, 0, 0, 0, false, {}, {}};
    const std::size_t jobs = static_cast<std::size_t>(setup.intJobs);
    pool.limit = 16 * jobs;
    pool.keys.reserve(tasks.size());
    for (const DrawingTask& t : tasks) pool.keys.push_back(SameFileKey(t.strDrawing));

    std::vector<std::thread> workers;
    for (std::size_t w = 0; w < std::min(jobs, tasks.size()); ++w) workers.emplace_back([&pool] { pool.Work(); });

    std::size_t end = tasks.size();  // the tasks that will be committed
    while (pool.committed < end) {
        DrawingReport report;
        {
            std::unique_lock<std::mutex> lock(pool.mutex);
            // Wake now and then to ask the status line about a cancel.
            while (!pool.done[pool.committed]) {
                pool.changed.wait_for(lock, std::chrono::milliseconds(50));
                if (pool.done[pool.committed] || pool.stop) continue;
                lock.unlock();
                const bool cancel = setup.status.CancelRequested();
                lock.lock();
                if (cancel && !pool.stop) {
                    pool.stop = true;
                    end = pool.next;  // those started still finish
                    pool.changed.notify_all();
                }
            }
            if (pool.stop) end = pool.next;
            report = std::move(pool.reports[pool.committed]);
        }
        ShowKept(setup.status, report.messages);
        if (setup.audit) {
            for (const std::string& strLine : report.auditLines) setup.audit->WriteLine(strLine);
        }
        commit(pool.committed, report);
        {
            const std::lock_guard<std::mutex> lock(pool.mutex);
            ++pool.committed;
        }
        pool.changed.notify_all();
        if (!pool.stop && pool.committed < end && setup.status.CancelRequested()) {
            const std::lock_guard<std::mutex> lock(pool.mutex);
            pool.stop = true;
            end = pool.next;
            pool.changed.notify_all();
        }
    }
    {
        const std::lock_guard<std::mutex> lock(pool.mutex);
        pool.stop = true;
    }
    pool.changed.notify_all();
    for (std::thread& t : workers) t.join();
    return pool.committed;
}

}  // namespace

bool TakeSavedDrawing(const DrawingReport& report, const std::string& strDrawing, IStatusLine& status,
                      RunJournal& journal) {
    if (!report.step.changes.empty()) status.DrawingChanged(strDrawing, report.step.changes);
    if (report.step.outcome != DrawingOutcome::Saved) return false;
    if (!report.step.journal.strOriginal.empty()) journal.Record(report.step.journal);
    return true;
}

void ReportFailedDrawing(const DrawingReport& report, const std::string& strDrawing, IStatusLine& status,
                         LogFile& errors) {
    const std::string strError = ModifyErrorText(report.step, strDrawing);
    errors.WriteLine(DrawingErrorLine(strDrawing, strError));
    status.DrawingFailed(strDrawing, strError);
}

void RunAndCountDrawings(const std::vector<DrawingTask>& tasks, const DrawingTaskSetup& setup, IStatusLine& status,
                         RunJournal& journal, LogFile& errors, bool unchangedFails, RunCounts& counts) {
    counts.total = static_cast<int>(tasks.size());
    counts.done = static_cast<int>(RunDrawingTasks(tasks, setup, [&](std::size_t i, DrawingReport& report) {
        const std::string& strPath = tasks[i].strDrawing;
        if (TakeSavedDrawing(report, strPath, status, journal)) {
            ++counts.modified;
        } else {
            const bool unchanged = IsNothingToChange(report.step);
            if (unchanged) ++counts.unchanged;
            if (!unchanged || unchangedFails) {
                ReportFailedDrawing(report, strPath, status, errors);
                ++counts.errorLines;
            }
        }
        status.Progress(i + 1, tasks.size(), strPath);
    }));
    counts.cancelled = counts.done < counts.total;
}

DrawingTaskSetup RunTaskSetup(const RunOptions& options, const ComponentFactory& factory, IUserMessages* messages,
                              LogFile& audit, IStatusLine& status, cAutoCAD& engine, RunJournal& journal,
                              std::int64_t count) {
    return DrawingTaskSetup{factory,
                            messages,
                            options.strDelimiter,
                            options.intJobs,
                            audit.IsOpen() ? &audit : nullptr,
                            status,
                            engine,
                            StepExtras{options.blnDryRun, journal.IsOpen() ? &journal : nullptr},
                            count,
                            std::time(nullptr)};
}

std::size_t RunDrawingTasks(const std::vector<DrawingTask>& tasks, const DrawingTaskSetup& setup,
                            const std::function<void(std::size_t, DrawingReport&)>& commit) {
    if (setup.intJobs <= 1 || tasks.size() <= 1) return RunOneAfterAnother(tasks, setup, commit);
    return RunSideBySide(tasks, setup, commit);
}

}  // namespace kel
