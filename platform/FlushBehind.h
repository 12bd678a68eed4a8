// Saves whose flush to disk goes on while the caller does other work. A
// replacement (WriteFileAtomic) writes the new content to a temporary file
// beside the old one, flushes it to disk and renames it over the old file.
// The flush waits for the disk, and most of a save's time can be that wait.
// While a FlushBehind lives, the replacements of the thread that made it
// return once the content is written, or, up to a few MiB, copied: the
// writing of a copied content, the flush, the rename and the folder's flush
// follow, in order, on a helper thread. Until a replacement has finished,
// the old file is untouched; it is replaced only after the new content is
// on disk, as before, and a failure removes the temporary file and keeps the
// old one. The caller learns how each one ended from Wait, and must not
// report a file as saved, nor read it or save it again, before then.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdio>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kel {

namespace detail {

// A replacement whose temporary file is open: its content is written to it
// and flushed from the stream, or held in `content` to be written yet; it is
// not on disk yet.
struct OpenReplacement {
    std::FILE* file = nullptr;
    std::unique_ptr<char[]> buffer;   // the stream's buffer, kept until the stream is closed
    std::unique_ptr<char[]> content;  // the content when it is still to be written
    std::size_t contentSize = 0;
    std::string strTemp;              // the temporary file
    std::string strPath;              // the file it replaces
};

// Writes the held content (if any), flushes it (with blnDurable), closes and
// renames the temporary file over the target; on failure removes it, keeps
// the target and says why.
bool FinishReplacement(OpenReplacement& r, bool blnDurable, std::string& strErr);

// True when this thread has a FlushBehind to hand replacements to.
bool CanDefer();

// Hands r to the FlushBehind of this thread; false (r untouched) when there
// is none or it cannot take more.
bool DeferReplacement(OpenReplacement& r);

}  // namespace detail

class FlushBehind {
public:
    FlushBehind();
    // Finishes every replacement still pending. This thread's replacements
    // finish in place again (or under a FlushBehind made before this one).
    ~FlushBehind();
    FlushBehind(const FlushBehind&) = delete;
    FlushBehind& operator=(const FlushBehind&) = delete;

    // The replacements handed over since the last call, in order.
    std::vector<std::size_t> TakeStarted();

    // Waits until the replacement has finished: true when the new file is in
    // place, else false and why (the old file is kept).
    bool Wait(std::size_t id, std::string& strErr);

    // While held, replacements are taken but none is finished (Wait must not
    // be called then): for a caller, or a test, that has something to do
    // before any of them lands.
    void Hold();
    void Release();

private:
    friend bool detail::DeferReplacement(detail::OpenReplacement& r);

    struct Outcome {
        bool done = false;
        bool ok = false;
        std::string strErr;
    };

    bool Take(detail::OpenReplacement& r);
    void Work();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::pair<std::size_t, detail::OpenReplacement>> queue_;
    std::map<std::size_t, Outcome> outcomes_;
    std::vector<std::size_t> started_;
    std::size_t nextId_ = 1;
    bool stop_ = false;
    bool held_ = false;
    std::thread worker_;
    FlushBehind* outer_;
};

}  // namespace kel
