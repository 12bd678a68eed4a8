// File system helpers shared by every layer. Paths are UTF-8 text.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kel {

std::filesystem::path PathFromUtf8(const std::string& strPath);
std::string PathToUtf8(const std::filesystem::path& path);

// The platform's path separator ("/" here, "\" on Windows).
char PathSeparator();

// True when a file or a folder of that name exists.
bool FileExists(const std::string& strPath);

// std::fopen with a UTF-8 path; nullptr on failure.
std::FILE* OpenFileUtf8(const std::string& strPath, const char* mode);

// True when strPath is a file that must not be written: none of its write
// permission bits is set (a drawing marked read-only; on Windows the file's
// read-only attribute), or the user may not write it. The mode bits are
// looked at first, so a read-only file stays protected from the superuser too.
// False for a missing file.
bool IsWriteProtected(const std::string& strPath);

// strPath made absolute against the current folder (unchanged when it already
// is, or when that cannot be worked out).
std::string AbsolutePathText(const std::string& strPath);

// A text that is the same for two paths of the same file (made absolute,
// links resolved as far as the path exists).
std::string SameFileKey(const std::string& strPath);

// True when standard error is a terminal (progress is shown there).
bool StderrIsTerminal();

// Reads the whole file. On failure returns false and sets strErr.
bool ReadWholeFile(const std::string& strPath, std::string& strData, std::string& strErr);

// Reads a file a piece at a time.
class FileReader {
public:
    FileReader() = default;
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    // False with the reason when the file cannot be opened for reading.
    bool Open(const std::string& strPath, std::string& strErr);
    // Up to n bytes into buf; got is 0 at the end (or once closed). False with
    // the reason on a read error.
    bool Read(char* buf, std::size_t n, std::size_t& got, std::string& strErr);
    // Appends the rest of the file to strData.
    bool ReadRest(std::string& strData, std::string& strErr);
    // Closes the file (a file open for reading cannot be replaced on Windows).
    void Close();
    // The file's size as the system tells it now; 0 when it cannot.
    std::uint64_t Size() const { return size_; }

private:
    std::FILE* file_ = nullptr;
    std::uint64_t size_ = 0;
};

// Replaces the file at strPath by strData so that a crash at any moment leaves
// either the old or the new content: the data goes to a temporary file in the
// same folder, is flushed to disk, takes over the old file's permissions, owner
// and group (as far as the user may give them) and is renamed over it; the
// folder is flushed then, or once for a whole FolderSyncBatch
// (platform/FolderSync.h). A write-protected file (see IsWriteProtected) is
// refused. On failure the old file is untouched, no temporary file is left
// behind, and strErr says why.
// The temporary file is named "<file name>.<host>-<pid>.<16 hex digits>.kel-tmp"
// (host: 8 hex digits naming this computer, pid: the writing process). Before
// the first save into a folder (and again once a minute at most) the folder's
// left-over temporary files are removed: those of this form whose process has
// ended on this computer, and those of another computer or of the older form
// without host and pid once they were last written more than a day ago. A
// file of a running process, and any file not named so, is never removed.
// TakeRemovedTempFiles tells which were removed.
bool WriteFileAtomic(const std::string& strPath, const std::string& strData, std::string& strErr);
// The same, for content given as pieces written one after the other.
bool WriteFileAtomic(const std::string& strPath, const std::vector<std::string_view>& pieces, std::string& strErr);

// Content given a stretch at a time: each call sets `pieces` to the next
// stretch (views that stay valid until the next call) and returns true; a
// stretch of no pieces ends the content. Returning false refuses the
// replacement, with the reason in strWhy.
using ContentSource = std::function<bool(std::vector<std::string_view>& pieces, std::string& strWhy)>;
// The same, for content given by a source. A refusal by the source fails the
// replacement as a failed write does: the old file is untouched and strErr
// says why. expectedSize, when known (else 0), is the size the content is
// expected to have: one larger than a FlushBehind takes over is written as it
// comes rather than gathered first.
bool WriteFileAtomic(const std::string& strPath, const ContentSource& source, std::string& strErr,
                     std::uint64_t expectedSize = 0);

// While it lives, tells the content of every file the calling thread
// replaces by WriteFileAtomic: `begin` with the file's path, `pieces` with the
// bytes written, in order and a stretch at a time, and `landed` with the path once the new file is
// flushed and in place (never for a write that failed; a content given by a
// source is told as it is written, so its pieces may come before a failure).
// Under a FlushBehind (platform/FlushBehind.h) `landed` comes once the content
// is written, before the flush and the rename: whether that replacement
// lands, its Wait tells. A watch made inside another hides the outer one
// until it ends. It lets a caller keep what it saved (a size, a hash) without
// reading the file back.
class SaveWatch {
public:
    struct Seen {
        std::function<void(const std::string& strPath)> begin;
        std::function<void(const std::vector<std::string_view>& pieces)> pieces;
        std::function<void(const std::string& strPath)> landed;
    };
    explicit SaveWatch(Seen seen);
    ~SaveWatch();
    SaveWatch(const SaveWatch&) = delete;
    SaveWatch& operator=(const SaveWatch&) = delete;

private:
    friend const Seen* CurrentSaveSeen();
    Seen seen_;
    SaveWatch* outer_;
};

// The paths of the left-over temporary files removed since the last call.
std::vector<std::string> TakeRemovedTempFiles();

// "<host>-<pid>": the part of a temporary file's name that names its writer.
std::string TempWriterTag(long pid);

// WriteFileAtomic without the flushes to disk, for work files that are written
// and read back within one run (drawing information XML, flat XML): readers
// still see the old or the new content, but a power failure may lose both.
bool WriteWorkFile(const std::string& strPath, const std::string& strData, std::string& strErr);
// The same for content given by a source (see ContentSource), written as it comes.
bool WriteWorkFile(const std::string& strPath, const ContentSource& source, std::string& strErr);

// Removes a file; false when it could not be removed (or did not exist).
bool DeleteFileUtf8(const std::string& strPath);

}  // namespace kel
