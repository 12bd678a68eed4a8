// Replacing a file safely: a temporary file beside it, renamed over it, with
// the flushes that make the replacement durable (or handed to a FlushBehind),
// the owner kept, stale temporary files of ended writers removed, and
// SaveWatch told what was written. Work files take the same way without the
// flushes.
#include "platform/FileSystem.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <random>
#include <set>
#include <vector>
#include <string_view>
#include <system_error>
#include <utility>

#ifdef _WIN32
#include <io.h>  // _commit, _fileno
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>  // the computer's name, other processes
#else
#include <fcntl.h>     // posix_fadvise
#include <signal.h>    // kill
#include <sys/stat.h>  // stat
#include <unistd.h>    // fsync, chown, gethostname, getpid
#endif

#include "platform/FlushBehind.h"
#include "platform/FolderSync.h"

namespace kel {

namespace fs = std::filesystem;

namespace {

// FNV-1a of the computer's name, as 8 hex digits: tells this computer's
// temporary files from those another one writes into a shared folder.
const std::string& HostTag() {
    static const std::string tag = [] {
        std::string name;
#ifdef _WIN32
        char buf[MAX_COMPUTERNAME_LENGTH + 1] = {};
        DWORD size = sizeof buf;
        if (::GetComputerNameA(buf, &size)) name.assign(buf, size);
#else
        char buf[256] = {};
        if (::gethostname(buf, sizeof buf - 1) == 0) name = buf;
#endif
        std::uint32_t h = 2166136261u;
        for (const unsigned char c : name) h = (h ^ c) * 16777619u;
        char out[9];
        std::snprintf(out, sizeof out, "%08x", static_cast<unsigned>(h));
        return std::string(out);
    }();
    return tag;
}

long ThisProcessId() {
#ifdef _WIN32
    return static_cast<long>(::GetCurrentProcessId());
#else
    return static_cast<long>(::getpid());
#endif
}

// False only when no process of that id runs on this computer any more; a
// process we may not signal, or one we cannot ask about, counts as running.
bool ProcessRuns(long pid) {
    if (pid <= 0) return true;
#ifdef _WIN32
    HANDLE h = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (!h) return ::GetLastError() != ERROR_INVALID_PARAMETER;
    DWORD code = 0;
    const bool running = !::GetExitCodeProcess(h, &code) || code == STILL_ACTIVE;
    ::CloseHandle(h);
    return running;
#else
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
#endif
}

std::string TempNameBeside(const fs::path& target) {
    static std::mt19937_64 rng{std::random_device{}()};
    static std::mutex rngMutex;
    unsigned long long random = 0;
    {
        const std::lock_guard<std::mutex> lock(rngMutex);
        random = rng();
    }
    fs::path tmp = target;
    tmp += "." + TempWriterTag(ThisProcessId());
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%016llx.kel-tmp", random);
    tmp += suffix;
    return PathToUtf8(tmp);
}

bool AllHex(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
}

// Who wrote a temporary file, read from its name.
struct TempWriter {
    bool known = false;  // the name carries host and process (older names do not)
    std::string host;
    long pid = 0;
};

// "<target name>[.<host>-<pid>].<16 hex digits>.kel-tmp": a temporary file of
// TempNameBeside (the form without host and process is that of older versions).
bool IsTempName(const std::string& name, TempWriter& writer) {
    static const std::string kTail = ".kel-tmp";
    constexpr std::size_t kHex = 16;
    if (name.size() < kTail.size() + kHex + 2) return false;
    if (name.compare(name.size() - kTail.size(), kTail.size(), kTail) != 0) return false;
    const std::size_t dot = name.size() - kTail.size() - kHex - 1;
    if (name[dot] != '.' || !AllHex(std::string_view(name).substr(dot + 1, kHex))) return false;
    writer = TempWriter();
    const std::size_t before = name.rfind('.', dot - 1);
    if (before == std::string::npos || before == 0) return true;
    const std::string_view tag = std::string_view(name).substr(before + 1, dot - before - 1);
    const std::size_t dash = tag.find('-');
    if (dash != 8 || !AllHex(tag.substr(0, 8)) || tag.size() < 10 || tag.size() > 18) return true;
    long pid = 0;
    for (const char c : tag.substr(9)) {
        if (c < '0' || c > '9') return true;
        pid = pid * 10 + (c - '0');
    }
    writer.known = true;
    writer.host = std::string(tag.substr(0, 8));
    writer.pid = pid;
    return true;
}

// Whether a temporary file can no longer be in use: its writer ran on this
// computer and has ended. One whose writer cannot be asked (another computer,
// an older name) is taken as left over once it was last written a day ago.
bool IsStale(const fs::path& path, const TempWriter& writer) {
    if (writer.known && writer.host == HostTag()) return writer.pid != ThisProcessId() && !ProcessRuns(writer.pid);
    std::error_code ec;
    const auto written = fs::last_write_time(path, ec);
    return !ec && fs::file_time_type::clock::now() - written > std::chrono::hours(24);
}

std::mutex removedMutex;
std::vector<std::string> removedTemps;

// Removes the temporary files that earlier saves into the folder left when
// their process was killed (see IsStale). A folder is listed at most once a
// minute, so saving many drawings into one folder lists it once.
void RemoveStaleTemps(const fs::path& target) {
    static std::mutex mutex;
    static std::map<fs::path, std::chrono::steady_clock::time_point> listed;
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    const auto now = std::chrono::steady_clock::now();
    {
        const std::lock_guard<std::mutex> lock(mutex);
        auto found = listed.find(folder);
        if (found != listed.end() && now - found->second < std::chrono::minutes(1)) return;
        listed[folder] = now;
    }
    std::vector<std::string> removed;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        TempWriter writer;
        std::error_code ec2;
        if (!IsTempName(PathToUtf8(it->path().filename()), writer) || !it->is_regular_file(ec2)) continue;
        if (IsStale(it->path(), writer) && fs::remove(it->path(), ec2)) removed.push_back(PathToUtf8(it->path()));
    }
    if (removed.empty()) return;
    const std::lock_guard<std::mutex> lock(removedMutex);
    removedTemps.insert(removedTemps.end(), removed.begin(), removed.end());
}

// Gives the new file the old one's owner and group. A user who may not give
// away the file keeps at least its group when a member of it; otherwise the
// new file stays the user's own.
void KeepOwner(const std::string& strOld, const std::string& strNew) {
#ifdef _WIN32
    (void)strOld;
    (void)strNew;
#else
    struct stat old {};
    if (::stat(strOld.c_str(), &old) != 0) return;
    if (::chown(strNew.c_str(), old.st_uid, old.st_gid) == 0) return;
    (void)::chown(strNew.c_str(), static_cast<uid_t>(-1), old.st_gid);
#endif
}

}  // namespace

std::string TempWriterTag(long pid) { return HostTag() + "-" + std::to_string(pid); }

std::vector<std::string> TakeRemovedTempFiles() {
    const std::lock_guard<std::mutex> lock(removedMutex);
    return std::exchange(removedTemps, {});
}

namespace {

thread_local SaveWatch* currentWatch = nullptr;

}  // namespace

SaveWatch::SaveWatch(Seen seen) : seen_(std::move(seen)), outer_(currentWatch) { currentWatch = this; }

SaveWatch::~SaveWatch() { currentWatch = outer_; }

const SaveWatch::Seen* CurrentSaveSeen() { return currentWatch ? &currentWatch->seen_ : nullptr; }

namespace {

void TellBegin(const std::string& strPath) {
    const SaveWatch::Seen* seen = CurrentSaveSeen();
    if (seen && seen->begin) seen->begin(strPath);
}

void TellPieces(const std::vector<std::string_view>& pieces) {
    const SaveWatch::Seen* seen = CurrentSaveSeen();
    if (seen && seen->pieces) seen->pieces(pieces);
}

void TellLanded(const std::string& strPath) {
    const SaveWatch::Seen* seen = CurrentSaveSeen();
    if (seen && seen->landed) seen->landed(strPath);
}

// A whole content, told at once when it has landed.
void TellSaveWatch(const std::string& strPath, const std::vector<std::string_view>& pieces) {
    TellBegin(strPath);
    TellPieces(pieces);
    TellLanded(strPath);
}

}  // namespace

namespace {

constexpr std::size_t kSmallWrite = 64 * 1024;
constexpr std::size_t kWriteBuffer = 1024 * 1024;
// The most bytes a replacement copies for the helper to write.
constexpr std::size_t kWriteBehind = 4 * 1024 * 1024;

// The pieces one after the other in a buffer of their own; null without the memory.
std::unique_ptr<char[]> Joined(const std::vector<std::string_view>& pieces, std::size_t total) {
    std::unique_ptr<char[]> joined;
    try {
        joined = std::make_unique_for_overwrite<char[]>(total);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    char* at = joined.get();
    for (const std::string_view piece : pieces) {
        if (!piece.empty()) std::memcpy(at, piece.data(), piece.size());
        at += piece.size();
    }
    return joined;
}

// Closes and removes the temporary file of a replacement given up.
void Abandon(detail::OpenReplacement& r) {
    std::fclose(r.file);
    r.file = nullptr;
    std::error_code ec;
    fs::remove(PathFromUtf8(r.strTemp), ec);
}

// Writes the pieces to the replacement's temporary file and flushes them from
// the stream; on failure closes and removes the file and says why.
bool WriteOut(detail::OpenReplacement& r, const std::vector<std::string_view>& pieces, std::string& strErr) {
    bool ok = true;
    for (const std::string_view piece : pieces) {
        ok = ok && std::fwrite(piece.data(), 1, piece.size(), r.file) == piece.size();
    }
    ok = (std::fflush(r.file) == 0) && ok;
    if (ok) return true;
    const int writeErr = errno;
    Abandon(r);
    strErr = std::string("cannot write the file: ") + std::strerror(writeErr);
    return false;
}

// Temporary file beside the target, renamed over it; with blnDurable the data
// and the rename are flushed to disk before returning, or, under a
// FlushBehind of this thread, on its helper thread after returning.
// Opens the temporary file of a replacement of strPath, after the checks
// that refuse one.
bool OpenReplacementOf(const std::string& strPath, detail::OpenReplacement& r, std::string& strErr) {
    const fs::path target = PathFromUtf8(strPath);
    std::error_code ec;
    if (fs::is_directory(target, ec)) {
        strErr = "the target is a folder";
        return false;
    }
    if (IsWriteProtected(strPath)) {
        strErr = "the file is read-only";
        return false;
    }
    RemoveStaleTemps(target);
    r.strPath = strPath;
    r.strTemp = TempNameBeside(target);
    r.file = OpenFileUtf8(r.strTemp, "wbx");
    if (!r.file) {
        strErr = std::string("cannot create a file in the folder: ") + std::strerror(errno);
        return false;
    }
    return true;
}

bool ReplaceFile(const std::string& strPath, const std::vector<std::string_view>& pieces, std::string& strErr,
                 bool blnDurable) {
    detail::OpenReplacement r;
    if (!OpenReplacementOf(strPath, r, strErr)) return false;
    std::size_t total = 0;
    for (const std::string_view piece : pieces) total += piece.size();
    // Under a FlushBehind the helper also writes a content of up to
    // kWriteBehind bytes, from a copy that costs a fraction of writing it:
    // the caller goes on with its next drawing meanwhile, and a pending
    // replacement holds at most that much memory. A larger content, or one
    // the helper cannot take, is written here before returning.
    if (blnDurable && total <= kWriteBehind && detail::CanDefer()) {
        r.content = Joined(pieces, total);
        r.contentSize = total;
        if (r.content && detail::DeferReplacement(r)) {
            TellSaveWatch(strPath, pieces);
            return true;
        }
        r.content.reset();
        r.contentSize = 0;
    }
    // A drawing is written as many pieces (the bytes between its changes): a
    // buffer of 1 MiB passes them to the system in few writes rather than one
    // for every 4 KiB. It lives as long as the stream.
    if (pieces.size() > 1 && total > kSmallWrite) {
        r.buffer = std::make_unique_for_overwrite<char[]>(kWriteBuffer);
        std::setvbuf(r.file, r.buffer.get(), _IOFBF, kWriteBuffer);
    }
    if (!WriteOut(r, pieces, strErr)) return false;
    if (blnDurable && detail::DeferReplacement(r)) {
        TellSaveWatch(strPath, pieces);
        return true;
    }
    if (!detail::FinishReplacement(r, blnDurable, strErr)) return false;
    if (blnDurable) TellSaveWatch(strPath, pieces);
    return true;
}

// A content given by a source, written a stretch at a time as it comes and
// then, with blnDurable, flushed and renamed as any other (under a
// FlushBehind a content that ends within kWriteBehind bytes is gathered first
// and handed over whole); without it (a work file) renamed unflushed, and no
// SaveWatch is told.
bool ReplaceFromSource(const std::string& strPath, const ContentSource& source, std::string& strErr,
                       std::uint64_t expectedSize, bool blnDurable) {
    std::vector<std::string_view> pieces;
    const auto next = [&] {
        pieces.clear();
        std::string why;
        if (source(pieces, why)) return true;
        strErr = why.empty() ? std::string("the content could not be made") : why;
        return false;
    };
    // Gathered into the buffer a FlushBehind takes over, up to the size told
    // (or the most it takes).
    std::unique_ptr<char[]> gathered;
    std::size_t filled = 0;
    bool pending = false;  // `pieces` hold a stretch that is neither gathered nor written
    if (blnDurable && expectedSize <= kWriteBehind && detail::CanDefer()) {
        const std::size_t room = expectedSize > 0 ? static_cast<std::size_t>(expectedSize) : kWriteBehind;
        gathered = std::make_unique_for_overwrite<char[]>(room);
        for (;;) {
            if (!next()) return false;
            if (pieces.empty()) break;
            std::size_t size = 0;
            for (const std::string_view piece : pieces) size += piece.size();
            if (filled + size > room) {
                pending = true;
                break;
            }
            for (const std::string_view piece : pieces) {
                if (!piece.empty()) std::memcpy(gathered.get() + filled, piece.data(), piece.size());
                filled += piece.size();
            }
        }
    }
    detail::OpenReplacement r;
    if (!OpenReplacementOf(strPath, r, strErr)) return false;
    if (blnDurable) TellBegin(strPath);
    if (gathered && !pending) {
        // The whole content, handed over as it is.
        TellPieces({std::string_view(gathered.get(), filled)});
        r.content = std::move(gathered);
        r.contentSize = filled;
        if (!detail::DeferReplacement(r) && !detail::FinishReplacement(r, true, strErr)) return false;
        TellLanded(strPath);
        return true;
    }
    r.buffer = std::make_unique_for_overwrite<char[]>(kWriteBuffer);
    std::setvbuf(r.file, r.buffer.get(), _IOFBF, kWriteBuffer);
    if (filled > 0) {
        const std::vector<std::string_view> first = {std::string_view(gathered.get(), filled)};
        if (!WriteOut(r, first, strErr)) return false;
        TellPieces(first);
        gathered.reset();
    }
    for (;;) {
        if (!pending && !next()) {
            Abandon(r);
            return false;
        }
        pending = false;
        if (pieces.empty()) break;
        if (!WriteOut(r, pieces, strErr)) return false;
        if (blnDurable) TellPieces(pieces);
    }
    if (!blnDurable) return detail::FinishReplacement(r, false, strErr);
    if (detail::DeferReplacement(r)) {
        TellLanded(strPath);
        return true;
    }
    if (!detail::FinishReplacement(r, true, strErr)) return false;
    TellLanded(strPath);
    return true;
}

}  // namespace

namespace detail {

bool FinishReplacement(OpenReplacement& r, bool blnDurable, std::string& strErr) {
    if (r.content) {
        const bool written = WriteOut(r, {std::string_view(r.content.get(), r.contentSize)}, strErr);
        r.content.reset();
        if (!written) return false;
    }
    bool ok = true;
#ifdef _WIN32
    if (blnDurable) ok = ::_commit(::_fileno(r.file)) == 0;
#else
    if (blnDurable) ok = ::fsync(::fileno(r.file)) == 0;
#if defined(POSIX_FADV_DONTNEED)
    // Once on disk, the new file's pages need not stay in memory: a batch
    // does not fill the page cache with the drawings it wrote, and the next
    // drawing's writes take the pages freed here. On a virtual machine that
    // hands free memory back to its host, that spares the next drawing the
    // host's cost of giving fresh pages (bench/README.md).
    if (ok && blnDurable) ::posix_fadvise(::fileno(r.file), 0, 0, POSIX_FADV_DONTNEED);
#endif
#endif
    const int writeErr = ok ? 0 : errno;
    ok = (std::fclose(r.file) == 0) && ok;
    r.file = nullptr;
    r.buffer.reset();
    std::error_code ec;
    if (!ok) {
        strErr = std::string("cannot write the file: ") + std::strerror(writeErr ? writeErr : errno);
        fs::remove(PathFromUtf8(r.strTemp), ec);
        return false;
    }
    // Keep the owner, group and permissions of the file being replaced (the
    // owner first: a change of owner may clear mode bits).
    const fs::path target = PathFromUtf8(r.strPath);
    auto st = fs::status(target, ec);
    if (!ec && fs::exists(st)) {
        KeepOwner(r.strPath, r.strTemp);
        fs::permissions(PathFromUtf8(r.strTemp), st.permissions(), fs::perm_options::replace, ec);
    }
    fs::rename(PathFromUtf8(r.strTemp), target, ec);
    if (ec) {
        strErr = "cannot replace the file: " + ec.message();
        std::error_code ec2;
        fs::remove(PathFromUtf8(r.strTemp), ec2);
        return false;
    }
    // Make the rename itself durable.
    if (blnDurable) SyncFolderOf(target);
    return true;
}

}  // namespace detail

bool WriteFileAtomic(const std::string& strPath, const std::string& strData, std::string& strErr) {
    return ReplaceFile(strPath, {strData}, strErr, true);
}

bool WriteFileAtomic(const std::string& strPath, const std::vector<std::string_view>& pieces, std::string& strErr) {
    return ReplaceFile(strPath, pieces, strErr, true);
}

bool WriteFileAtomic(const std::string& strPath, const ContentSource& source, std::string& strErr,
                     std::uint64_t expectedSize) {
    return ReplaceFromSource(strPath, source, strErr, expectedSize, true);
}

bool WriteWorkFile(const std::string& strPath, const std::string& strData, std::string& strErr) {
    return ReplaceFile(strPath, {strData}, strErr, false);
}

bool WriteWorkFile(const std::string& strPath, const ContentSource& source, std::string& strErr) {
    return ReplaceFromSource(strPath, source, strErr, 0, false);
}

}  // namespace kel
