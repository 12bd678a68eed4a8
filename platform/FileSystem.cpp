#include "platform/FileSystem.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <vector>
#include <string_view>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "platform/FolderSync.h"

namespace kel {

namespace fs = std::filesystem;

fs::path PathFromUtf8(const std::string& strPath) {
    return fs::path(std::u8string(strPath.begin(), strPath.end()));
}

std::string PathToUtf8(const fs::path& path) {
    std::u8string s = path.u8string();
    return std::string(s.begin(), s.end());
}

char PathSeparator() { return static_cast<char>(fs::path::preferred_separator); }

bool FileExists(const std::string& strPath) {
    if (strPath.empty()) return false;
    std::error_code ec;
    return fs::exists(PathFromUtf8(strPath), ec);
}

bool IsWriteProtected(const std::string& strPath) {
    const fs::path path = PathFromUtf8(strPath);
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec);
    if (ec || !fs::exists(st) || fs::is_directory(st)) return false;
    constexpr fs::perms kWrite = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    if ((st.permissions() & kWrite) == fs::perms::none) return true;
#ifdef _WIN32
    return false;
#else
    return ::access(strPath.c_str(), W_OK) != 0 && (errno == EACCES || errno == EPERM || errno == EROFS);
#endif
}

std::string AbsolutePathText(const std::string& strPath) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(PathFromUtf8(strPath), ec);
    return ec ? strPath : PathToUtf8(absolute.lexically_normal());
}

std::string SameFileKey(const std::string& strPath) {
    std::error_code ec;
    const fs::path canonical = fs::weakly_canonical(PathFromUtf8(strPath), ec);
    return ec ? AbsolutePathText(strPath) : PathToUtf8(canonical);
}

bool StderrIsTerminal() {
#ifdef _WIN32
    return ::_isatty(::_fileno(stderr)) != 0;
#else
    return ::isatty(STDERR_FILENO) != 0;
#endif
}

std::FILE* OpenFileUtf8(const std::string& strPath, const char* mode) {
#ifdef _WIN32
    std::wstring wmode(mode, mode + std::strlen(mode));
    return _wfopen(PathFromUtf8(strPath).c_str(), wmode.c_str());
#else
    return std::fopen(strPath.c_str(), mode);
#endif
}

bool ReadWholeFile(const std::string& strPath, std::string& strData, std::string& strErr) {
    std::error_code ec;
    if (fs::is_directory(PathFromUtf8(strPath), ec)) {
        strErr = "is a folder";
        return false;
    }
    std::FILE* f = OpenFileUtf8(strPath, "rb");
    if (!f) {
        strErr = std::strerror(errno);
        return false;
    }
    strData.clear();
    // Read straight into the string: its size first, then whatever more the file
    // holds by the time it is read.
    std::error_code sizeErr;
    const auto size = fs::file_size(PathFromUtf8(strPath), sizeErr);
    std::size_t have = 0;
    if (!sizeErr && size > 0) {
        strData.resize(static_cast<std::size_t>(size));
        have = std::fread(strData.data(), 1, strData.size(), f);
        strData.resize(have);
    }
    char buf[1 << 16];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) strData.append(buf, n);
    bool ok = !std::ferror(f);
    if (!ok) strErr = "read error";
    std::fclose(f);
    return ok;
}

namespace {

std::string TempNameBeside(const fs::path& target) {
    static std::mt19937_64 rng{std::random_device{}()};
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%016llx.kel-tmp",
                  static_cast<unsigned long long>(rng()));
    fs::path tmp = target;
    tmp += suffix;
    return PathToUtf8(tmp);
}

// "<target name>.<16 hex digits>.kel-tmp": a temporary file of TempNameBeside;
// sets targetName to the name it was made for.
bool IsTempName(const std::string& name, std::string& targetName) {
    static const std::string kTail = ".kel-tmp";
    constexpr std::size_t kHex = 16;
    if (name.size() < kTail.size() + kHex + 2) return false;
    if (name.compare(name.size() - kTail.size(), kTail.size(), kTail) != 0) return false;
    const std::size_t dot = name.size() - kTail.size() - kHex - 1;
    if (name[dot] != '.') return false;
    for (std::size_t i = dot + 1; i < dot + 1 + kHex; ++i) {
        if (!std::isxdigit(static_cast<unsigned char>(name[i]))) return false;
    }
    targetName = name.substr(0, dot);
    return true;
}

// Removes the temporary files that an interrupted earlier save of the same
// target left beside it. Each folder is listed once per process; this process's
// own temporary files never outlive a call, so the listing stays current.
void RemoveStaleTemps(const fs::path& target) {
    static std::mutex mutex;
    static std::map<fs::path, std::map<fs::path, std::vector<fs::path>>> staleByFolder;
    const std::lock_guard<std::mutex> lock(mutex);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    auto found = staleByFolder.find(folder);
    if (found == staleByFolder.end()) {
        std::map<fs::path, std::vector<fs::path>> stale;
        std::error_code ec;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            std::string targetName;
            if (IsTempName(PathToUtf8(it->path().filename()), targetName)) {
                stale[PathFromUtf8(targetName)].push_back(it->path());
            }
        }
        found = staleByFolder.emplace(folder, std::move(stale)).first;
    }
    auto& stale = found->second;
    const auto mine = stale.find(target.filename());
    if (mine == stale.end()) return;
    for (const fs::path& tmp : mine->second) {
        std::error_code ec;
        fs::remove(tmp, ec);
    }
    stale.erase(mine);
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

// Temporary file beside the target, renamed over it; with blnDurable the data
// and the rename are flushed to disk before returning.
bool ReplaceFile(const std::string& strPath, const std::vector<std::string_view>& pieces, std::string& strErr,
                 bool blnDurable) {
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
    const std::string tmp = TempNameBeside(target);
    std::FILE* f = OpenFileUtf8(tmp, "wbx");
    if (!f) {
        strErr = std::string("cannot create a file in the folder: ") + std::strerror(errno);
        return false;
    }
    bool ok = true;
    for (const std::string_view piece : pieces) {
        ok = ok && std::fwrite(piece.data(), 1, piece.size(), f) == piece.size();
    }
    ok = (std::fflush(f) == 0) && ok;
#ifndef _WIN32
    if (blnDurable) ok = ok && ::fsync(::fileno(f)) == 0;
#endif
    const int writeErr = errno;
    ok = (std::fclose(f) == 0) && ok;
    if (!ok) {
        strErr = std::string("cannot write the file: ") + std::strerror(writeErr ? writeErr : errno);
        fs::remove(PathFromUtf8(tmp), ec);
        return false;
    }
    // Keep the owner, group and permissions of the file being replaced (the
    // owner first: a change of owner may clear mode bits).
    auto st = fs::status(target, ec);
    if (!ec && fs::exists(st)) {
        KeepOwner(strPath, tmp);
        fs::permissions(PathFromUtf8(tmp), st.permissions(), fs::perm_options::replace, ec);
    }
    fs::rename(PathFromUtf8(tmp), target, ec);
    if (ec) {
        strErr = "cannot replace the file: " + ec.message();
        std::error_code ec2;
        fs::remove(PathFromUtf8(tmp), ec2);
        return false;
    }
    // Make the rename itself durable.
    if (blnDurable) SyncFolderOf(target);
    return true;
}

}  // namespace

bool WriteFileAtomic(const std::string& strPath, const std::string& strData, std::string& strErr) {
    return ReplaceFile(strPath, {strData}, strErr, true);
}

bool WriteFileAtomic(const std::string& strPath, const std::vector<std::string_view>& pieces, std::string& strErr) {
    return ReplaceFile(strPath, pieces, strErr, true);
}

bool WriteWorkFile(const std::string& strPath, const std::string& strData, std::string& strErr) {
    return ReplaceFile(strPath, {strData}, strErr, false);
}

bool DeleteFileUtf8(const std::string& strPath) {
    std::error_code ec;
    return fs::remove(PathFromUtf8(strPath), ec) && !ec;
}

}  // namespace kel
