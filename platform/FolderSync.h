// Making renames durable. A file replaced by renaming a new file over it
// survives a power failure only once its folder has been flushed to disk too.
//
// Outside a FolderSyncBatch the folder is flushed right after each rename.
// Inside one, each folder is flushed once, when the batch is flushed or ends:
// a run that saves many drawings in one folder flushes it once instead of once
// per drawing. Until then a power failure may undo a rename, which leaves the
// old file whole in the folder; the new file's data is always flushed before
// its rename, so a part-written file never takes the old one's place.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace kel {

// Flushes the folder that holds file now, or records it for the batch in force.
void SyncFolderOf(const std::filesystem::path& file);

class FolderSyncBatch {
public:
    FolderSyncBatch();
    ~FolderSyncBatch();
    FolderSyncBatch(const FolderSyncBatch&) = delete;
    FolderSyncBatch& operator=(const FolderSyncBatch&) = delete;

    // Flushes every folder recorded so far (by this batch and any around it).
    void Flush();

    // The folders waiting to be flushed, in the order first recorded.
    static std::vector<std::string> Pending();
};

}  // namespace kel
