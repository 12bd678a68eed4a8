#include "platform/FolderSync.h"

#include <mutex>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

#include "platform/FileSystem.h"

namespace kel {
namespace {

namespace fs = std::filesystem;

struct SyncState {
    std::mutex mutex;
    int depth = 0;
    std::vector<fs::path> pending;
};

SyncState& State() {
    static SyncState state;
    return state;
}

void FlushFolder(const fs::path& dir) {
#ifndef _WIN32
    const int dfd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
#else
    (void)dir;  // a rename on Windows is flushed by the file system itself
#endif
}

// Takes the recorded folders out of the state and flushes them.
void FlushPending(SyncState& s, std::unique_lock<std::mutex>& lock) {
    std::vector<fs::path> folders;
    folders.swap(s.pending);
    lock.unlock();
    for (const fs::path& dir : folders) FlushFolder(dir);
}

}  // namespace

void SyncFolderOf(const fs::path& file) {
    const fs::path dir = file.parent_path();
    SyncState& s = State();
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (s.depth > 0) {
            for (const fs::path& p : s.pending) {
                if (p == dir) return;
            }
            s.pending.push_back(dir);
            return;
        }
    }
    FlushFolder(dir);
}

FolderSyncBatch::FolderSyncBatch() {
    std::lock_guard<std::mutex> lock(State().mutex);
    ++State().depth;
}

FolderSyncBatch::~FolderSyncBatch() {
    SyncState& s = State();
    std::unique_lock<std::mutex> lock(s.mutex);
    if (--s.depth == 0) FlushPending(s, lock);
}

void FolderSyncBatch::Flush() {
    SyncState& s = State();
    std::unique_lock<std::mutex> lock(s.mutex);
    FlushPending(s, lock);
}

std::vector<std::string> FolderSyncBatch::Pending() {
    SyncState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    std::vector<std::string> out;
    for (const fs::path& p : s.pending) out.push_back(PathToUtf8(p));
    return out;
}

}  // namespace kel
