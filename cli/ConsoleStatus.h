// The System Messages line of kel-batch: every message becomes one output line
// as soon as it is set. Failures of drawings and warnings go to the error
// stream at once, with their reasons; on a terminal the error stream also shows
// the run's progress, updated in place. Window is the run's window interface.
#pragma once

#include <chrono>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "cli/ChangeList.h"

namespace kel::cli {

// "D/T drawings  R/s  M:SS left  PATH", the progress line's text.
std::string ProgressText(std::size_t done, std::size_t total, double seconds, const std::string& strDrawing,
                         std::size_t width);

// "N changed, N unchanged, N failed in S s" for the end of a run.
std::string RunSummaryText(int changed, int unchanged, int failed, double seconds);

// The end of a run on the command line: a dry run's changes on out (CSV or a
// table), then the summary on err unless quiet.
void PrintRunEnd(bool blnDryRun, bool blnCsv, bool blnQuiet, const std::vector<ChangeRow>& changes, int changed,
                 int unchanged, int failed, double seconds, std::ostream& out, std::ostream& err);

template <class Window>
class ConsoleStatus : public Window {
public:
    // blnProgress: err is a terminal that shows the progress line. A dry run
    // keeps out for its list of changes: the messages go to err then.
    ConsoleStatus(std::ostream& out, std::ostream& err, bool blnProgress = false, bool blnDryRun = false)
        : out_(blnDryRun ? err : out),
          err_(err),
          progress_(blnProgress),
          dryRun_(blnDryRun),
          start_(std::chrono::steady_clock::now()) {}
    ~ConsoleStatus() override { ClearProgress(); }

    void SetMessage(const std::string& strText) override {
        ClearProgress();
        out_ << strText << '\n' << std::flush;
    }
    void RepaintMessage() override {}
    void SetBusy(bool) override {}
    void DrawingFailed(const std::string& strDrawing, const std::string& strReason) override {
        ClearProgress();
        err_ << "kel-batch: " << strDrawing << ": " << strReason << '\n' << std::flush;
    }
    void Warn(const std::string& strText) override {
        ClearProgress();
        err_ << "kel-batch: warning: " << strText << '\n' << std::flush;
    }
    // Only a dry run prints what changed.
    bool WantsChanges() const override { return dryRun_; }
    void DrawingChanged(const std::string& strDrawing, const std::vector<AttributeChange>& list) override {
        if (!dryRun_) return;
        for (const AttributeChange& c : list) changes.push_back(ChangeRow{strDrawing, c});
    }
    void Progress(std::size_t done, std::size_t total, const std::string& strDrawing) override {
        if (!progress_) return;
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        err_ << "\r\033[K" << ProgressText(done, total, seconds, strDrawing, 78) << std::flush;
        shown_ = true;
    }
    // The changes of a dry run, in drawing order.
    std::vector<ChangeRow> changes;

    double Seconds() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    }

protected:
    void ClearProgress() {
        if (!shown_) return;
        err_ << "\r\033[K" << std::flush;
        shown_ = false;
    }

    std::ostream& out_;
    std::ostream& err_;
    bool progress_;
    bool dryRun_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point start_;
};

}  // namespace kel::cli
